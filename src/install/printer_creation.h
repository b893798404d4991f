#pragma once

#include <string>

#include "platform/spooler.h"

struct Installation;
class InstallerWindow;

enum class InstallVariant { Receipt, Label };

// Registers the driver; on failure shows the retry box, applies the answer
// and returns false.
bool RegisterDriver(Installation& installation, InstallerWindow& window,
                    const platform::DriverInfo3& driverInfo, InstallVariant variant);
// Creates the printer, writes the default printer and hands over to the port
// assignment; completes the installation except for serial ports.
void CreatePrinterAndFinish(Installation& installation, InstallerWindow& window,
                            const std::string& printerName, const std::string& driverName,
                            InstallVariant variant);
