// What every extractor of ours shares: the check of an archive entry's name
// before it is written below the destination folder, and the reading of the
// extraction command that the installer hands to "7-zip32.dll".
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// True when `name` stays below the destination: relative, no drive letter, no
// UNC or device prefix, no ".." component, with either slash as separator.
// Empty names and names that are nothing but separators are refused too, and
// so is any component that Windows takes for a device (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, with or without an extension).
bool IsSafeArchiveEntry(const std::string& name);

// IsSafeArchiveEntry, and when `destination` is the root of a drive ("C:\")
// only "DriverName.cfg" and names below "Ticket\" and "Barcode\": a package
// unpacked there has nothing else to put on the drive, and an entry such as
// "Windows\System32\x.dll" or a path into a Startup folder must not land
// there with an administrator's rights.
bool IsSafeArchiveEntryAt(const std::string& destination, const std::string& name);

// True when writing `path` would pass through an existing link (a junction,
// a symbolic link or any other reparse point): some component below the root
// ("C:\", "\\server\share\", "\\?\C:\"), the last one included, exists
// and `attributesOf` reports FILE_ATTRIBUTE_REPARSE_POINT for it. A link can
// send a write anywhere, the system folder included, whatever the entry's
// name says. `attributesOf` answers as GetFileAttributesA does
// (INVALID_FILE_ATTRIBUTES for a missing path, which is fine: it is created
// as a plain folder or file). Relative paths are checked from their first
// component.
bool CrossesLink(const std::string& path,
                 const std::function<uint32_t(const std::string&)>& attributesOf);

// The parts of the command `x -y "<archive>" -o"<destination>" -hide`.
struct ExtractCommand {
  std::string archive;
  std::string destination;
};
// False when `command` is not an extraction command of exactly that form
// (both paths non-empty and free of double quotes).
bool ParseExtractCommand(const std::string& command, ExtractCommand& parsed);

// Results of our extractors' SevenZip (0 is success).
inline constexpr int kArchiveBadCommand = 0x8001;
inline constexpr int kArchiveUnreadable = 0x8002;
inline constexpr int kArchiveUnsafeEntries = 0x8003;
inline constexpr int kArchiveNotLoaded = 0x8004;
inline constexpr int kArchiveWriteFailed = 0x8005;
inline constexpr int kArchiveCancelled = 0x8006;
