#pragma once

class MainWindow;

// Start-up step 3: "Reading driver file...", then unpack DriverData.Drv from
// the current directory into C:\.
void ExtractPackage(MainWindow& window);
