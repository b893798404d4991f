#include "package_layout.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "drivers/model_catalogue.h"
#include "package/archive_entry.h"

namespace package {

namespace fs = std::filesystem;

namespace {

const char* const kArchitectures[] = {"x86", "x64"};
const char* const kLabelModelExtensions[] = {".BA0", ".DAT", ".PP0"};

bool WriteFile(const fs::path& path, const std::string& content, std::string& error) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

bool ReadFile(const fs::path& path, std::string& content, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path.string();
    return false;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  content = buffer.str();
  return true;
}

}  // namespace

std::string SampleDriverNameFile() {
  std::string text;
  char section[32];
  for (int32_t i = 0; i < catalogue::kReceiptModelCount; ++i) {
    std::snprintf(section, sizeof section, "[Receipt%02d]\r\n", static_cast<int>(i + 1));
    text += section;
    text += std::string("PrintName1=") + catalogue::ReceiptModelNames[i] + "\r\n\r\n";
  }
  for (int32_t j = 0; j < catalogue::kLabelModelCount; ++j) {
    std::snprintf(section, sizeof section, "[Label%02d]\r\n", static_cast<int>(j + 1));
    text += section;
    text += std::string("PrintName1=") + catalogue::LabelModelNames[j] + "\r\n\r\n";
  }
  return text;
}

std::vector<std::string> SamplePackageFiles() {
  std::vector<std::string> files;
  std::set<std::string> seen;
  auto add = [&](const std::string& name) {
    if (seen.insert(name).second) files.push_back(name);
  };
  add("DriverName.cfg");
  for (const char* arch : kArchitectures) {
    const std::string ticket = std::string("Ticket/") + arch + "/";
    // Rows 6 and 7 share a GPD file; the set keeps one copy.
    for (int32_t i = 0; i < catalogue::kReceiptModelCount; ++i) {
      add(ticket + catalogue::ReceiptFileBases[i] + ".GPD");
    }
    for (int32_t g = 0; g < catalogue::kGroupDllCount; ++g) {
      add(ticket + catalogue::GroupDllBases[g] + ".DLL");
    }
    add(ticket + "OEMPLUG.dll");
    add(ticket + "OEMPLUG.ini");
    for (int32_t c = 0; c < catalogue::kUnidrvCoreFileCount; ++c) {
      add(ticket + catalogue::UnidrvCoreFiles[c]);
    }
  }
  for (const char* arch : kArchitectures) {
    const bool wow64 = std::string(arch) == "x64";
    const char* const* engine = catalogue::LabelEngineFiles(wow64);
    for (int32_t e = 0; e < catalogue::kLabelEngineFileCount; ++e) {
      add(std::string("Barcode/") + arch + "/" + engine[e]);
    }
  }
  add("Barcode/Common/THERMAL.chm");
  for (int32_t j = 0; j < catalogue::kLabelModelCount; ++j) {
    for (const char* ext : kLabelModelExtensions) {
      add(std::string("Barcode/Common/") + catalogue::LabelFileBases[j] + ext);
    }
  }
  return files;
}

std::string PlaceholderContent(const std::string& relativeName) {
  return "placeholder " + relativeName + "\r\n";
}

bool WriteSamplePackage(const fs::path& outDir, const SampleOptions& options, std::string& error) {
  const std::string monitorX86 =
      std::string("Barcode/x86/") + catalogue::LabelEngineFilesX86[catalogue::kLabelMonitorDll];
  const std::string monitorX64 =
      std::string("Barcode/x64/") + catalogue::LabelEngineFilesX64[catalogue::kLabelMonitorDll];
  for (const std::string& name : SamplePackageFiles()) {
    std::string content;
    if (name == "DriverName.cfg") {
      content = SampleDriverNameFile();
    } else if (name == monitorX86 && !options.monitorDllX86.empty()) {
      if (!ReadFile(options.monitorDllX86, content, error)) return false;
    } else if (name == monitorX64 && !options.monitorDllX64.empty()) {
      if (!ReadFile(options.monitorDllX64, content, error)) return false;
    } else {
      content = PlaceholderContent(name);
    }
    if (!WriteFile(outDir / name, content, error)) return false;
  }
  return true;
}

bool ListPackageFolder(const fs::path& folder, std::vector<std::string>& files,
                       std::string& error) {
  files.clear();
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    error = "not a folder: " + folder.string();
    return false;
  }
  fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec);
  if (ec) {
    error = "cannot read " + folder.string() + ": " + ec.message();
    return false;
  }
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) {
      error = "cannot read below " + folder.string() + ": " + ec.message();
      return false;
    }
    const fs::directory_entry& entry = *it;
    const std::string relative = fs::relative(entry.path(), folder).generic_string();
    if (entry.is_symlink()) {
      error = "link in package folder: " + relative;
      return false;
    }
    if (!IsSafeArchiveEntry(relative)) {
      error = "unsafe name in package folder: " + relative;
      return false;
    }
    if (entry.is_regular_file()) files.push_back(relative);
  }
  std::sort(files.begin(), files.end());
  return true;
}

bool BuildCabinet(const fs::path& folder, const fs::path& output, std::string& error) {
  std::vector<std::string> files;
  if (!ListPackageFolder(folder, files, error)) return false;
  if (files.empty()) {
    error = "nothing to pack in " + folder.string();
    return false;
  }
  const fs::path target = fs::absolute(output);
  std::vector<std::string> args = {"gcab", "-c", "-z", target.string()};
  args.insert(args.end(), files.begin(), files.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child < 0) {
    error = "cannot start gcab";
    return false;
  }
  if (child == 0) {
    // gcab stores the names as given on its command line, so it runs inside
    // the folder with relative names.
    if (chdir(folder.c_str()) != 0) _exit(126);
    execvp("gcab", argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "gcab failed";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) error += " (is gcab installed?)";
    return false;
  }
  return true;
}

namespace {

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

bool WriteStoredCabinet(const fs::path& output, const std::vector<CabinetEntry>& entries,
                        std::string& error) {
  constexpr size_t kHeaderBytes = 36;
  constexpr size_t kFolderBytes = 8;
  constexpr size_t kFileFixedBytes = 16;
  constexpr size_t kDataFixedBytes = 8;
  constexpr size_t kBlockBytes = 32768;

  std::string data;
  for (const CabinetEntry& e : entries) data += e.content;
  const size_t blocks = (data.size() + kBlockBytes - 1) / kBlockBytes;
  size_t filesBytes = 0;
  for (const CabinetEntry& e : entries) filesBytes += kFileFixedBytes + e.name.size() + 1;
  const size_t firstData = kHeaderBytes + kFolderBytes + filesBytes;
  const size_t total = firstData + blocks * kDataFixedBytes + data.size();
  if (entries.size() > 0xFFFF || blocks > 0xFFFF || total > 0x7FFFFFFF) {
    error = "cabinet too large";
    return false;
  }

  std::string cab;
  cab += "MSCF";
  Put32(cab, 0);
  Put32(cab, static_cast<uint32_t>(total));
  Put32(cab, 0);
  Put32(cab, static_cast<uint32_t>(kHeaderBytes + kFolderBytes));  // first file entry
  Put32(cab, 0);
  cab += static_cast<char>(3);  // version 1.3
  cab += static_cast<char>(1);
  Put16(cab, 1);  // folders
  Put16(cab, static_cast<uint32_t>(entries.size()));
  Put16(cab, 0);       // flags
  Put16(cab, 0x1234);  // set id
  Put16(cab, 0);       // cabinet number
  Put32(cab, static_cast<uint32_t>(firstData));
  Put16(cab, static_cast<uint32_t>(blocks));
  Put16(cab, 0);  // no compression
  uint32_t offset = 0;
  for (const CabinetEntry& e : entries) {
    Put32(cab, static_cast<uint32_t>(e.content.size()));
    Put32(cab, offset);
    Put16(cab, 0);       // folder 0
    Put16(cab, 0x5D86);  // 2026-12-06
    Put16(cab, 0xA000);  // 20:00:00
    Put16(cab, 0x20);    // archive attribute
    cab += e.name;
    cab += '\0';
    offset += static_cast<uint32_t>(e.content.size());
  }
  for (size_t at = 0; at < data.size(); at += kBlockBytes) {
    const size_t n = std::min(kBlockBytes, data.size() - at);
    Put32(cab, 0);  // no checksum
    Put16(cab, static_cast<uint32_t>(n));
    Put16(cab, static_cast<uint32_t>(n));
    cab.append(data, at, n);
  }
  return WriteFile(output, cab, error);
}

}  // namespace package
