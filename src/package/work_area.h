#pragma once

#include <string>

#include "platform/machine.h"

// Removes the folder with everything below it; true if the folder itself went.
bool DeleteTree(platform::Machine& machine, const std::string& path);
// Removes "c:\Barcode", "c:\Ticket" and "c:\DriverName.cfg".
void RemoveWorkArea(platform::Machine& machine);
