#pragma once

#include <string>

#include "platform/window_system.h"

struct Installation;

// The status line while the package is unpacked.
inline constexpr const char* kReadingPackageStatus = "Reading driver file...";

// Start-up step 3, once kReadingPackageStatus is shown: unpacks
// DriverData.Drv from the current directory (or the first of the
// installation's package places that holds one) into C:\, the archive
// library's windows owned by `owner`. First the work area is checked: an
// entry that is a link or another account's stops the start-up
// (StartupStop::UnsafeWorkArea) with nothing unpacked; otherwise, with a
// package to unpack, the work area is made anew for it.
void ExtractPackage(Installation& installation, platform::WindowId owner);

// The box's text when the work-area entry `entry` was refused.
std::string UnsafeWorkAreaText(const std::string& entry);
