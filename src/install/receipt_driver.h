#pragma once

struct Installation;
class InstallerWindow;

void InstallReceiptDriver(Installation& installation, InstallerWindow& window);
