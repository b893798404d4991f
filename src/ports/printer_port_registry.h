#pragma once

#include <string>

class MainWindow;

// Writes the printer's port into the spooler's registry keys and clears its
// on-line flag. True when keys 2 to 5 were all written.
bool SetPrinterPortRegistry(MainWindow& window, const std::string& printerName,
                            const std::string& portName);
