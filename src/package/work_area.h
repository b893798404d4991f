#pragma once

#include <cstdint>
#include <string>

#include "platform/machine.h"

// What an entry of the work area is to the installer, read from the entry
// itself (a link is never followed to find out).
enum class WorkAreaEntry {
  Missing,  // nothing there
  Ours,     // owned by Administrators, SYSTEM, TrustedInstaller or the
            // installer's own account, and no link
  Link,     // a junction, a symbolic link or any other reparse point
  Foreign,  // owned by another account, or its owner cannot be read
};
WorkAreaEntry InspectWorkAreaEntry(platform::Machine& machine, const std::string& path,
                                   uint32_t* attributes = nullptr);

// Removes the folder with everything below it; true if the folder itself
// went. A link, at the top as below it, goes as the link and is never
// searched.
bool DeleteTree(platform::Machine& machine, const std::string& path);
// Removes "c:\Barcode", "c:\Ticket" and "c:\DriverName.cfg": links as links;
// an entry owned by another account is left alone, with everything below.
void RemoveWorkArea(platform::Machine& machine);

// The first of "C:\Ticket", "C:\Barcode" and "C:\DriverName.cfg" that is a
// link or belongs to another account; empty when none is.
std::string UnsafeWorkAreaEntry(platform::Machine& machine);
// Removes the work area and creates "C:\Ticket" and "C:\Barcode" anew, owned
// by Administrators with a protected access list (SYSTEM and Administrators
// full control, Users read and execute), which what is unpacked into them
// inherits. The folder that could not be created (someone else made it in
// the meantime, or a leftover could not be removed); empty when both were.
std::string RenewWorkArea(platform::Machine& machine);
