// The driver package as the installer expects it below C:\: the name list
// "DriverName.cfg" and the receipt and label files in Ticket\ and Barcode\.
// Lays out a complete sample package from the compiled-in model catalogue and
// packs a folder into a cabinet.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace package {

struct SampleOptions {
  // When set, these files stand in for the language-monitor placeholders
  // (Barcode/x86/lbxmonNT.dll and Barcode/x64/lbxmon64.dll): a spooler that
  // loads the monitor needs a real DLL.
  std::filesystem::path monitorDllX86;
  std::filesystem::path monitorDllX64;
};

// "DriverName.cfg": one section per catalogue row in catalogue order (the 52
// receipt rows, then the 5 label rows), each naming the row's driver name as
// PrintName1. CR LF line ends.
std::string SampleDriverNameFile();

// Every file of a sample package, relative, with '/' separators: the name
// list, then per architecture the receipt files (GPD files, group DLLs, the
// OEM plug-in pair, the Unidrv core files) and the label engine files, then
// the shared label files (help file and model files). No duplicates.
std::vector<std::string> SamplePackageFiles();

// The placeholder text written for a file of the sample package.
std::string PlaceholderContent(const std::string& relativeName);

// Writes the sample package below `outDir` (created if needed). False with
// `error` set when a file cannot be written or a monitor DLL cannot be read.
bool WriteSamplePackage(const std::filesystem::path& outDir, const SampleOptions& options,
                        std::string& error);

// The regular files below `folder`, relative with '/' separators, sorted.
// False when the folder holds a link or a name that an extractor would
// refuse (such a package could not be unpacked safely).
bool ListPackageFolder(const std::filesystem::path& folder, std::vector<std::string>& files,
                       std::string& error);

// Packs every file below `folder` into the cabinet `output` (MSZIP
// compressed, folder names kept) with the gcab program.
bool BuildCabinet(const std::filesystem::path& folder, const std::filesystem::path& output,
                  std::string& error);

// One entry of a cabinet written by WriteStoredCabinet: the name exactly as
// it is to be stored (never checked) and the file's bytes.
struct CabinetEntry {
  std::string name;
  std::string content;
};

// Writes a single-folder cabinet without compression and with the names as
// given, so that tests can hand extractors names that no packer would
// write ("..\x", "C:\x", "\x"). False when the file cannot be written or
// the cabinet would exceed the format's limits.
bool WriteStoredCabinet(const std::filesystem::path& output,
                        const std::vector<CabinetEntry>& entries, std::string& error);

}  // namespace package
