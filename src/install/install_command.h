#pragma once

struct Installation;
class InstallerWindow;

// A click on Install.
void InstallCommand(Installation& installation, InstallerWindow& window);
