#pragma once

#include "platform/window_system.h"

struct Installation;

// The status line while the package is unpacked.
inline constexpr const char* kReadingPackageStatus = "Reading driver file...";

// Start-up step 3, once kReadingPackageStatus is shown: unpacks
// DriverData.Drv from the current directory (or the first of the
// installation's package places that holds one) into C:\, the archive
// library's windows owned by `owner`.
void ExtractPackage(Installation& installation, platform::WindowId owner);
