#include "platform/sim/sim_files.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/sim/faults.h"
#include "platform/sim/last_error.h"
#include "platform/sim/names.h"
#include "platform/win_constants.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

constexpr uint32_t kErrorNoMoreFiles = 18;
constexpr uint32_t kErrorDirectory = 267;  // the path is not a folder
constexpr uint32_t kErrorSharingViolation = 32;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Windows wildcard match ignoring case: '*' any run, '?' one character.
bool WildMatch(const char* pattern, const char* name) {
  while (*pattern) {
    if (*pattern == '*') {
      ++pattern;
      if (!*pattern) return true;
      for (const char* n = name; *n; ++n) {
        if (WildMatch(pattern, n)) return true;
      }
      return WildMatch(pattern, name + std::strlen(name));
    }
    if (!*name) return false;
    if (*pattern != '?' && Upper(*pattern) != Upper(*name)) return false;
    ++pattern;
    ++name;
  }
  return *name == '\0';
}

bool PatternMatches(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*" || pattern == "*") return true;
  if (WildMatch(pattern.c_str(), name.c_str())) return true;
  // "x.*" also matches "x" (a name without extension), as on Windows.
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
      name.find('.') == std::string::npos) {
    return WildMatch(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
  }
  return false;
}

bool Fail(uint32_t code) {
  SetLastError(code);
  return false;
}

uint32_t CopyOut(const std::string& value, std::string& out, uint32_t maxLength) {
  const auto length = static_cast<uint32_t>(value.size());
  if (maxLength <= length) return length + 1;
  out = value;
  return length;
}

std::string Trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  const auto first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  const auto last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;
};

std::vector<IniSection> ParseIni(const std::string& contents) {
  std::vector<IniSection> sections;
  std::istringstream in(contents);
  std::string line;
  while (std::getline(in, line)) {
    const std::string text = Trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      const auto close = text.find(']');
      const std::string name =
          Trim(close == std::string::npos ? text.substr(1) : text.substr(1, close - 1));
      sections.push_back(IniSection{name, {}});
      continue;
    }
    if (sections.empty()) continue;  // lines before the first section belong to none
    const auto eq = text.find('=');
    if (eq == std::string::npos) continue;
    std::string key = Trim(text.substr(0, eq));
    std::string value = Trim(text.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    sections.back().entries.emplace_back(std::move(key), std::move(value));
  }
  return sections;
}

}  // namespace

SimFiles::SimFiles(Faults& faults) : faults_(faults) {
  std::string templ = (fs::temp_directory_path() / "simdrive-XXXXXX").string();
  std::vector<char> buffer(templ.begin(), templ.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) throw std::runtime_error("cannot create the simulated drive");
  root_ = fs::path(buffer.data());
  MakeDirectory(kSystemDirectory);
  MakeDirectory(currentDirectory_);
}

SimFiles::~SimFiles() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

SimFiles::Resolved SimFiles::Resolve(const std::string& winPath) const {
  Resolved r;
  std::string path = winPath;
  std::vector<std::string> parts;
  if (path.size() >= 2 && path[1] == ':') {
    if (Upper(path[0]) != 'C') return r;
    std::string rest = path.substr(2);
    if (rest.empty() || !IsSeparator(rest[0])) {
      parts = SplitPath(currentDirectory_.substr(2), "\\/");  // drive-relative
    }
    for (auto& p : SplitPath(rest, "\\/")) parts.push_back(p);
  } else if (!path.empty() && IsSeparator(path[0])) {
    if (path.size() >= 2 && IsSeparator(path[1])) return r;  // UNC and device paths
    parts = SplitPath(path, "\\/");
  } else {
    parts = SplitPath(currentDirectory_.substr(2), "\\/");
    for (auto& p : SplitPath(path, "\\/")) parts.push_back(p);
  }
  std::vector<std::string> clean;
  for (auto& p : parts) {
    if (p == ".") continue;
    if (p == "..") {
      if (!clean.empty()) clean.pop_back();
      continue;
    }
    clean.push_back(p);
  }
  r.valid = true;
  r.parentExists = true;
  r.host = root_;
  r.canonical = "C:";
  for (size_t i = 0; i < clean.size(); ++i) {
    std::string name = clean[i];
    std::error_code ec;
    if (fs::exists(fs::symlink_status(r.host / name, ec))) {
      // Spelt as stored: no need to look through the folder.
    } else if (fs::is_directory(r.host, ec)) {
      for (const auto& entry : fs::directory_iterator(r.host, ec)) {
        const std::string entryName = entry.path().filename().string();
        if (SameName(entryName, name)) {
          name = entryName;
          break;
        }
      }
    } else {
      r.parentExists = false;
    }
    r.host /= name;
    r.canonical += "\\" + UpperCase(name);
  }
  return r;
}

bool SimFiles::IsReadOnly(const Resolved& r) const { return readOnly_.count(r.canonical) > 0; }

void SimFiles::Forget(const Resolved& r) {
  owners_.erase(r.canonical);
  secured_.erase(r.canonical);
}

bool SimFiles::CopyFileA(const std::string& source, const std::string& target, bool failIfExists) {
  if (auto fault = faults_.Check("CopyFileA")) return Fail(*fault);
  std::lock_guard lock(mutex_);
  const Resolved from = Resolve(source);
  if (!from.valid || !from.parentExists) return Fail(win::ERROR_PATH_NOT_FOUND);
  std::error_code ec;
  if (!fs::exists(from.host, ec)) return Fail(win::ERROR_FILE_NOT_FOUND);
  if (fs::is_directory(from.host, ec)) return Fail(win::ERROR_ACCESS_DENIED);
  const Resolved to = Resolve(target);
  if (!to.valid || !to.parentExists || !fs::is_directory(to.host.parent_path(), ec)) {
    return Fail(win::ERROR_PATH_NOT_FOUND);
  }
  const bool replaces = fs::exists(to.host, ec);
  if (replaces) {
    if (failIfExists) return Fail(win::ERROR_FILE_EXISTS);
    if (fs::is_directory(to.host, ec) || IsReadOnly(to)) return Fail(win::ERROR_ACCESS_DENIED);
  }
  if (from.host == to.host || inUse_.count(to.canonical)) return Fail(kErrorSharingViolation);
  if (!fs::copy_file(from.host, to.host, fs::copy_options::overwrite_existing, ec)) {
    return Fail(win::ERROR_ACCESS_DENIED);
  }
  if (!replaces) Forget(to);  // a new file belongs to the copier
  if (IsReadOnly(from)) {
    readOnly_.insert(to.canonical);
  } else {
    readOnly_.erase(to.canonical);
  }
  return true;
}

bool SimFiles::DeleteFileA(const std::string& path) {
  if (auto fault = faults_.Check("DeleteFileA")) return Fail(*fault);
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(path);
  if (!r.valid || !r.parentExists) return Fail(win::ERROR_PATH_NOT_FOUND);
  std::error_code ec;
  if (!fs::exists(r.host, ec)) return Fail(win::ERROR_FILE_NOT_FOUND);
  if (fs::is_directory(r.host, ec) || IsReadOnly(r)) return Fail(win::ERROR_ACCESS_DENIED);
  if (inUse_.count(r.canonical)) return Fail(kErrorSharingViolation);
  if (!fs::remove(r.host, ec)) return Fail(win::ERROR_ACCESS_DENIED);
  Forget(r);
  return true;
}

bool SimFiles::MoveFileExA(const std::string& existing, const std::string& newName,
                           uint32_t flags) {
  if (auto fault = faults_.Check("MoveFileExA")) return Fail(*fault);
  constexpr uint32_t kCopyAllowed = 0x2;  // MOVEFILE_COPY_ALLOWED
  if ((flags & win::MOVEFILE_DELAY_UNTIL_REBOOT) == 0) return Fail(win::ERROR_NOT_SUPPORTED);
  if ((flags & kCopyAllowed) != 0) return Fail(win::ERROR_INVALID_PARAMETER);
  std::lock_guard lock(mutex_);
  const Resolved from = Resolve(existing);
  const Resolved to = Resolve(newName);
  if (!from.valid || !from.parentExists || !to.valid || !to.parentExists) {
    return Fail(win::ERROR_PATH_NOT_FOUND);
  }
  std::error_code ec;
  if (!fs::exists(from.host, ec)) return Fail(win::ERROR_FILE_NOT_FOUND);
  pendingMoves_.push_back({existing, newName, flags});
  return true;
}

bool SimFiles::CreateDirectoryA(const std::string& path) {
  if (auto fault = faults_.Check("CreateDirectoryA")) return Fail(*fault);
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(path);
  if (!r.valid || !r.parentExists) return Fail(win::ERROR_PATH_NOT_FOUND);
  std::error_code ec;
  if (fs::exists(r.host, ec)) return Fail(win::ERROR_ALREADY_EXISTS);
  if (!fs::is_directory(r.host.parent_path(), ec)) return Fail(win::ERROR_PATH_NOT_FOUND);
  if (!fs::create_directory(r.host, ec)) return Fail(win::ERROR_ACCESS_DENIED);
  Forget(r);
  return true;
}

bool SimFiles::CreateSecuredDirectoryA(const std::string& path,
                                       const platform::FolderSecurity& security) {
  if (auto fault = faults_.Check("CreateSecuredDirectoryA")) return Fail(*fault);
  if (security.ownerSid.empty()) return Fail(win::ERROR_INVALID_PARAMETER);
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(path);
  if (!r.valid || !r.parentExists) return Fail(win::ERROR_PATH_NOT_FOUND);
  std::error_code ec;
  if (fs::exists(fs::symlink_status(r.host, ec))) return Fail(win::ERROR_ALREADY_EXISTS);
  if (!fs::is_directory(r.host.parent_path(), ec)) return Fail(win::ERROR_PATH_NOT_FOUND);
  if (!fs::create_directory(r.host, ec)) return Fail(win::ERROR_ACCESS_DENIED);
  Forget(r);
  if (security.ownerSid != platform::kSidAdministrators) owners_[r.canonical] = security.ownerSid;
  secured_[r.canonical] = security;
  return true;
}

bool SimFiles::RemoveDirectoryA(const std::string& path) {
  if (auto fault = faults_.Check("RemoveDirectoryA")) return Fail(*fault);
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(path);
  if (!r.valid || !r.parentExists) return Fail(win::ERROR_PATH_NOT_FOUND);
  if (r.host == root_) return Fail(win::ERROR_ACCESS_DENIED);
  std::error_code ec;
  if (!fs::exists(r.host, ec)) return Fail(win::ERROR_FILE_NOT_FOUND);
  if (!fs::is_directory(r.host, ec)) return Fail(kErrorDirectory);
  // A folder link goes as the link, whatever its target holds.
  if (!fs::is_symlink(r.host, ec) && !fs::is_empty(r.host, ec)) {
    return Fail(win::ERROR_DIR_NOT_EMPTY);
  }
  if (IsReadOnly(r)) return Fail(win::ERROR_ACCESS_DENIED);
  if (!fs::remove(r.host, ec)) return Fail(win::ERROR_ACCESS_DENIED);
  Forget(r);
  return true;
}

platform::FindHandle SimFiles::FindFirstFileA(const std::string& pattern,
                                              platform::FindData& data) {
  if (auto fault = faults_.Check("FindFirstFileA")) {
    SetLastError(*fault);
    return 0;
  }
  std::lock_guard lock(mutex_);
  // The last component is the name pattern, the rest the folder.
  size_t cut = pattern.size();
  while (cut > 0 && !IsSeparator(pattern[cut - 1])) --cut;
  const std::string namePattern = pattern.substr(cut);
  std::string folder = pattern.substr(0, cut);
  if (folder.empty() && pattern.size() >= 2 && pattern[1] == ':') folder = pattern.substr(0, 2);
  const Resolved dir = Resolve(folder.empty() ? "." : folder);
  std::error_code ec;
  if (!dir.valid || !dir.parentExists || !fs::is_directory(dir.host, ec)) {
    SetLastError(win::ERROR_PATH_NOT_FOUND);
    return 0;
  }
  if (namePattern.empty()) {
    SetLastError(win::ERROR_FILE_NOT_FOUND);
    return 0;
  }
  Search search;
  if (dir.host != root_) {
    for (const char* dot : {".", ".."}) {
      if (PatternMatches(namePattern, dot)) {
        search.entries.push_back(platform::FindData{win::FILE_ATTRIBUTE_DIRECTORY, dot});
      }
    }
  }
  std::vector<platform::FindData> found;
  for (const auto& entry : fs::directory_iterator(dir.host, ec)) {
    const std::string name = entry.path().filename().string();
    if (!PatternMatches(namePattern, name)) continue;
    uint32_t attributes = 0;
    if (entry.is_directory(ec)) attributes |= win::FILE_ATTRIBUTE_DIRECTORY;
    if (entry.is_symlink(ec)) attributes |= win::FILE_ATTRIBUTE_REPARSE_POINT;
    if (readOnly_.count(dir.canonical + "\\" + UpperCase(name))) {
      attributes |= win::FILE_ATTRIBUTE_READONLY;
    }
    if (attributes == 0) attributes = win::FILE_ATTRIBUTE_NORMAL;
    found.push_back(platform::FindData{attributes, name});
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return UpperCase(a.fileName) < UpperCase(b.fileName);
  });
  search.entries.insert(search.entries.end(), found.begin(), found.end());
  if (search.entries.empty()) {
    SetLastError(win::ERROR_FILE_NOT_FOUND);
    return 0;
  }
  data = search.entries[0];
  search.next = 1;
  const platform::FindHandle handle = nextFind_++;
  searches_[handle] = std::move(search);
  return handle;
}

bool SimFiles::FindNextFileA(platform::FindHandle find, platform::FindData& data) {
  if (auto fault = faults_.Check("FindNextFileA")) return Fail(*fault);
  std::lock_guard lock(mutex_);
  auto it = searches_.find(find);
  if (it == searches_.end()) return Fail(win::ERROR_INVALID_HANDLE);
  Search& search = it->second;
  if (search.next >= search.entries.size()) return Fail(kErrorNoMoreFiles);
  data = search.entries[search.next++];
  return true;
}

bool SimFiles::FindClose(platform::FindHandle find) {
  if (auto fault = faults_.Check("FindClose")) return Fail(*fault);
  std::lock_guard lock(mutex_);
  if (searches_.erase(find) == 0) return Fail(win::ERROR_INVALID_HANDLE);
  return true;
}

uint32_t SimFiles::GetFileAttributesA(const std::string& path) {
  if (auto fault = faults_.Check("GetFileAttributesA")) {
    SetLastError(*fault);
    return win::INVALID_FILE_ATTRIBUTES;
  }
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(path);
  std::error_code ec;
  if (!r.valid || !r.parentExists) {
    SetLastError(win::ERROR_PATH_NOT_FOUND);
    return win::INVALID_FILE_ATTRIBUTES;
  }
  if (!fs::exists(r.host, ec)) {
    SetLastError(win::ERROR_FILE_NOT_FOUND);
    return win::INVALID_FILE_ATTRIBUTES;
  }
  uint32_t attributes = 0;
  if (fs::is_directory(r.host, ec)) attributes |= win::FILE_ATTRIBUTE_DIRECTORY;
  if (fs::is_symlink(r.host, ec)) attributes |= win::FILE_ATTRIBUTE_REPARSE_POINT;
  if (IsReadOnly(r)) attributes |= win::FILE_ATTRIBUTE_READONLY;
  return attributes == 0 ? win::FILE_ATTRIBUTE_NORMAL : attributes;
}

uint32_t SimFiles::GetEntryOwnerA(const std::string& path, platform::EntryOwner& entry) {
  if (auto fault = faults_.Check("GetEntryOwnerA")) return *fault;
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(path);
  if (!r.valid || !r.parentExists) return win::ERROR_PATH_NOT_FOUND;
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(r.host, ec))) return win::ERROR_FILE_NOT_FOUND;
  uint32_t attributes = 0;
  if (fs::is_directory(r.host, ec)) attributes |= win::FILE_ATTRIBUTE_DIRECTORY;
  if (fs::is_symlink(r.host, ec)) attributes |= win::FILE_ATTRIBUTE_REPARSE_POINT;
  if (IsReadOnly(r)) attributes |= win::FILE_ATTRIBUTE_READONLY;
  entry.attributes = attributes == 0 ? win::FILE_ATTRIBUTE_NORMAL : attributes;
  const auto owner = owners_.find(r.canonical);
  entry.ownerSid = owner == owners_.end() ? platform::kSidAdministrators : owner->second;
  return win::ERROR_SUCCESS;
}

uint32_t SimFiles::GetCurrentDirectoryA(std::string& directory, uint32_t maxLength) {
  if (auto fault = faults_.Check("GetCurrentDirectoryA")) {
    SetLastError(*fault);
    return 0;
  }
  std::lock_guard lock(mutex_);
  return CopyOut(currentDirectory_, directory, maxLength);
}

uint32_t SimFiles::GetSystemDirectoryA(std::string& directory, uint32_t maxLength) {
  if (auto fault = faults_.Check("GetSystemDirectoryA")) {
    SetLastError(*fault);
    return 0;
  }
  return CopyOut(kSystemDirectory, directory, maxLength);
}

uint32_t SimFiles::GetWindowsDirectoryA(std::string& directory, uint32_t maxLength) {
  if (auto fault = faults_.Check("GetWindowsDirectoryA")) {
    SetLastError(*fault);
    return 0;
  }
  return CopyOut(kWindowsDirectory, directory, maxLength);
}

uint32_t SimFiles::ProfileFile(const std::string& fileName, std::string& contents) const {
  std::string path = fileName;
  const bool hasFolder = path.find_first_of("\\/:") != std::string::npos;
  if (!hasFolder) path = std::string(kWindowsDirectory) + "\\" + path;
  const Resolved r = Resolve(path);
  std::error_code ec;
  if (!r.valid || !r.parentExists) return win::ERROR_PATH_NOT_FOUND;
  if (!fs::is_regular_file(r.host, ec)) return win::ERROR_FILE_NOT_FOUND;
  std::ifstream in(r.host, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  contents = buffer.str();
  // The profile functions read the file as text: a zero byte ends it.
  contents.resize(std::strlen(contents.c_str()));
  return win::ERROR_SUCCESS;
}

uint32_t SimFiles::GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                            const char* defaultValue, char* buffer, uint32_t size,
                                            const std::string& fileName) {
  if (auto fault = faults_.Check("GetPrivateProfileStringA")) {
    SetLastError(*fault);
    if (buffer && size > 0) buffer[0] = '\0';
    return 0;
  }
  std::string contents;
  uint32_t error;
  {
    std::lock_guard lock(mutex_);
    error = ProfileFile(fileName, contents);
  }
  std::optional<std::string> found;
  if (error == win::ERROR_SUCCESS) {
    for (const auto& s : ParseIni(contents)) {
      if (!SameName(s.name, section)) continue;
      for (const auto& [k, v] : s.entries) {
        if (SameName(k, key)) {
          found = v;
          break;
        }
      }
      break;  // only the first section of that name counts
    }
  }
  std::string result;
  if (found) {
    result = *found;
    SetLastError(win::ERROR_SUCCESS);
  } else {
    result = defaultValue ? Trim(defaultValue) : "";
    SetLastError(error == win::ERROR_SUCCESS ? win::ERROR_FILE_NOT_FOUND : error);
  }
  if (buffer == nullptr || size == 0) return 0;
  const uint32_t length = std::min<uint32_t>(static_cast<uint32_t>(result.size()), size - 1);
  std::memcpy(buffer, result.data(), length);
  buffer[length] = '\0';
  return length;
}

uint32_t SimFiles::GetPrivateProfileSectionNamesA(char* buffer, uint32_t size,
                                                  const std::string& fileName) {
  if (auto fault = faults_.Check("GetPrivateProfileSectionNamesA")) {
    SetLastError(*fault);
    if (buffer && size > 0) buffer[0] = '\0';
    return 0;
  }
  if (buffer == nullptr || size == 0) return 0;
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  std::string contents;
  uint32_t error;
  {
    std::lock_guard lock(mutex_);
    error = ProfileFile(fileName, contents);
  }
  buffer[0] = '\0';
  buffer[1] = '\0';
  if (error != win::ERROR_SUCCESS) {
    SetLastError(error);
    return 0;
  }
  uint32_t used = 0;
  for (const auto& section : ParseIni(contents)) {
    if (section.name.empty()) continue;
    const auto length = static_cast<uint32_t>(section.name.size());
    // A name is taken whole only while the list and its closing zero stay
    // below the end; a list that would fill the buffer exactly counts as cut.
    if (used + length + 2 < size) {
      std::memcpy(buffer + used, section.name.c_str(), length + 1);
      used += length + 1;
      continue;
    }
    // Cut: as much of this name as leaves the two closing zeros.
    if (used + 2 <= size) {
      const uint32_t piece = size - 2 - used;
      std::memcpy(buffer + used, section.name.data(), piece);
      buffer[size - 2] = '\0';
    }
    buffer[size - 1] = '\0';
    return size - 2;
  }
  buffer[used] = '\0';
  return used;
}

// --- Seeding and inspection ---

void SimFiles::WriteFile(const std::string& winPath, const std::string& bytes) {
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(winPath);
  if (!r.valid || r.host == root_) throw std::invalid_argument("not a file on drive C: " + winPath);
  // The resolved host path keeps the case of existing folders and the
  // caller's spelling of new ones.
  std::error_code ec;
  fs::create_directories(r.host.parent_path(), ec);
  std::ofstream out(r.host, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + winPath);
}

std::optional<std::string> SimFiles::ReadFile(const std::string& winPath) const {
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(winPath);
  std::error_code ec;
  if (!r.valid || !fs::is_regular_file(r.host, ec)) return std::nullopt;
  std::ifstream in(r.host, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

bool SimFiles::Exists(const std::string& winPath) const {
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(winPath);
  std::error_code ec;
  return r.valid && r.parentExists && fs::exists(r.host, ec);
}

bool SimFiles::IsDirectory(const std::string& winPath) const {
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(winPath);
  std::error_code ec;
  return r.valid && r.parentExists && fs::is_directory(r.host, ec);
}

void SimFiles::MakeDirectory(const std::string& winPath) {
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(winPath);
  if (!r.valid) throw std::invalid_argument("not on drive C: " + winPath);
  std::error_code ec;
  fs::create_directories(r.host, ec);
}

void SimFiles::SetInUse(const std::string& winPath, bool inUse) { MarkIn(inUse_, winPath, inUse); }

void SimFiles::MarkIn(std::set<std::string>& table, const std::string& winPath, bool on) {
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(winPath);
  if (!r.valid) return;
  if (on) {
    table.insert(r.canonical);
  } else {
    table.erase(r.canonical);
  }
}

void SimFiles::MakeLink(const std::string& winPath, const std::string& winTarget) {
  std::lock_guard lock(mutex_);
  const Resolved link = Resolve(winPath);
  const Resolved target = Resolve(winTarget);
  if (!link.valid || !target.valid) throw std::invalid_argument("not on drive C: " + winPath);
  fs::create_symlink(target.host, link.host);
}

void SimFiles::MakeHardLink(const std::string& winPath, const std::string& winExisting) {
  std::lock_guard lock(mutex_);
  const Resolved link = Resolve(winPath);
  const Resolved existing = Resolve(winExisting);
  if (!link.valid || !existing.valid) throw std::invalid_argument("not on drive C: " + winPath);
  fs::create_hard_link(existing.host, link.host);
}

void SimFiles::SetOwner(const std::string& winPath, const std::string& ownerSid) {
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(winPath);
  if (!r.valid) throw std::invalid_argument("not on drive C: " + winPath);
  owners_[r.canonical] = ownerSid;
}

std::string SimFiles::OwnerOf(const std::string& winPath) const {
  std::lock_guard lock(mutex_);
  const auto owner = owners_.find(Resolve(winPath).canonical);
  return owner == owners_.end() ? platform::kSidAdministrators : owner->second;
}

std::optional<platform::FolderSecurity> SimFiles::SecurityOf(const std::string& winPath) const {
  std::lock_guard lock(mutex_);
  const auto security = secured_.find(Resolve(winPath).canonical);
  if (security == secured_.end()) return std::nullopt;
  return security->second;
}

void SimFiles::SetReadOnly(const std::string& winPath, bool readOnly) {
  MarkIn(readOnly_, winPath, readOnly);
}

std::vector<std::string> SimFiles::List(const std::string& winPath) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  const Resolved r = Resolve(winPath);
  std::error_code ec;
  if (!r.valid || !fs::is_directory(r.host, ec)) return names;
  for (const auto& entry : fs::directory_iterator(r.host, ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end(),
            [](const auto& a, const auto& b) { return UpperCase(a) < UpperCase(b); });
  return names;
}

fs::path SimFiles::HostPath(const std::string& winPath) const {
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(winPath);
  return r.valid ? r.host : fs::path();
}

void SimFiles::SetCurrentDirectory(const std::string& winPath) {
  std::lock_guard lock(mutex_);
  const Resolved r = Resolve(winPath);
  if (!r.valid) throw std::invalid_argument("not on drive C: " + winPath);
  std::string path = "C:";
  for (const auto& part : r.host.lexically_relative(root_)) {
    if (part != ".") path += "\\" + part.string();
  }
  currentDirectory_ = path == "C:" ? "C:\\" : path;
}

std::vector<SimFiles::PendingMove> SimFiles::PendingMoves() const {
  std::lock_guard lock(mutex_);
  return pendingMoves_;
}

size_t SimFiles::OpenFindCount() const {
  std::lock_guard lock(mutex_);
  return searches_.size();
}

}  // namespace sim
