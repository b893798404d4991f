#pragma once

struct Installation;
class InstallerWindow;

// Start-up step 3: "Reading driver file...", then unpack DriverData.Drv from
// the current directory into C:\.
void ExtractPackage(Installation& installation, InstallerWindow& window);
