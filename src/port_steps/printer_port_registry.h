#pragma once

#include <string>

struct Installation;
class InstallerWindow;

// Writes the printer's port into the spooler's registry keys and clears its
// on-line flag. True when keys 2 to 5 were all written.
bool SetPrinterPortRegistry(Installation& installation, InstallerWindow& window,
                            const std::string& printerName, const std::string& portName);
