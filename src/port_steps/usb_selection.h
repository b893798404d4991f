#pragma once

struct Installation;
class InstallerWindow;

// Binds the new printer to the USB port on which it is on line.
void SelectUsbPort(Installation& installation, InstallerWindow& window);
