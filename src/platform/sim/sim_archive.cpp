#include "platform/sim/sim_archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "package/archive_entry.h"
#include "platform/sim/last_error.h"
#include "platform/sim/sim_files.h"
#include "platform/win_constants.h"

namespace sim {

namespace {

struct ReadDeleter {
  void operator()(struct archive* a) const { archive_read_free(a); }
};
struct WriteDeleter {
  void operator()(struct archive* a) const { archive_write_free(a); }
};

std::string ArchiveError(struct archive* a, const std::string& what) {
  const char* text = archive_error_string(a);
  return what + ": " + (text ? text : "unknown error");
}

// Copies the data of the current entry; false on a read or write error.
bool CopyData(struct archive* in, struct archive* out, uint64_t& written, std::string& error) {
  const void* block = nullptr;
  size_t size = 0;
  la_int64_t offset = 0;
  for (;;) {
    const int r = archive_read_data_block(in, &block, &size, &offset);
    if (r == ARCHIVE_EOF) return true;
    if (r < ARCHIVE_WARN) {
      error = ArchiveError(in, "read");
      return false;
    }
    if (archive_write_data_block(out, block, size, offset) < ARCHIVE_WARN) {
      error = ArchiveError(out, "write");
      return false;
    }
    written += size;
  }
}

}  // namespace

ExtractReport ExtractArchive(const std::filesystem::path& archivePath, const EntryPathMapper& map,
                             const std::string& destination) {
  ExtractReport report;
  std::unique_ptr<struct archive, ReadDeleter> in(archive_read_new());
  archive_read_support_format_7zip(in.get());
  archive_read_support_format_zip(in.get());
  archive_read_support_format_cab(in.get());
  if (archive_read_open_filename(in.get(), archivePath.c_str(), 1 << 16) != ARCHIVE_OK) {
    report.error = ArchiveError(in.get(), "open");
    return report;
  }
  report.opened = true;

  std::unique_ptr<struct archive, WriteDeleter> out(archive_write_disk_new());
  // Absolute host paths are written on purpose (the mapper places every
  // entry), so the absolute-path refusal is done on the entry name instead,
  // by IsSafeArchiveEntry. Links already on the host are never followed.
  archive_write_disk_set_options(out.get(),
                                 ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NODOTDOT);

  bool failed = false;
  struct archive_entry* entry = nullptr;
  for (;;) {
    const int r = archive_read_next_header(in.get(), &entry);
    if (r == ARCHIVE_EOF) break;
    if (r < ARCHIVE_WARN) {
      if (report.error.empty()) report.error = ArchiveError(in.get(), "header");
      failed = true;
      break;
    }
    const char* rawName = archive_entry_pathname(entry);
    const std::string name = rawName ? rawName : "";
    const auto type = archive_entry_filetype(entry);
    const bool plain = type == AE_IFREG || type == AE_IFDIR;
    if (!IsSafeArchiveEntryAt(destination, name) || !plain ||
        archive_entry_hardlink(entry) != nullptr || archive_entry_symlink(entry) != nullptr) {
      report.refused.push_back(name);
      archive_read_data_skip(in.get());
      continue;
    }
    const std::filesystem::path target = map(name);
    if (target.empty()) {
      archive_read_data_skip(in.get());
      continue;
    }
    archive_entry_set_pathname(entry, target.c_str());
    // The archive's own modes could make the work area unremovable or
    // executable; the package holds plain data files.
    archive_entry_set_perm(entry, type == AE_IFDIR ? 0755 : 0644);
    if (archive_write_header(out.get(), entry) < ARCHIVE_WARN) {
      if (report.error.empty()) report.error = ArchiveError(out.get(), "create " + name);
      failed = true;
      archive_read_data_skip(in.get());
      continue;
    }
    std::string copyError;
    if (type == AE_IFREG && !CopyData(in.get(), out.get(), report.bytesWritten, copyError)) {
      if (report.error.empty()) report.error = copyError + " (" + name + ")";
      failed = true;
      archive_write_finish_entry(out.get());
      break;
    }
    if (archive_write_finish_entry(out.get()) < ARCHIVE_WARN) {
      if (report.error.empty()) report.error = ArchiveError(out.get(), "finish " + name);
      failed = true;
      continue;
    }
    report.extracted.push_back(name);
  }
  archive_write_close(out.get());
  report.complete = !failed;
  return report;
}

SimArchive::SimArchive(SimFiles& files) : files_(files) {}

bool SimArchive::LoadLibraryA(const std::string& fileName) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++loadCount_;
  lastLoadedName_ = fileName;
  // The program restricts its library search to the system folder before
  // anything else, so a bare name is looked for there alone, and this
  // library is never there.
  if (!present_ || fileName.find('\\') == std::string::npos) {
    SetLastError(win::ERROR_MOD_NOT_FOUND);
    return false;
  }
  loaded_ = true;
  return true;
}

void SimArchive::FreeLibrary() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (loaded_) ++freeCount_;
  loaded_ = false;
  owner_ = 0;
}

bool SimArchive::IsLoaded() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return loaded_;
}

bool SimArchive::SetOwnerWindowEx(platform::WindowId owner) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!loaded_) return false;
  owner_ = owner;
  return true;
}

bool SimArchive::KillOwnerWindowEx(platform::WindowId owner) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!loaded_ || owner_ != owner) return false;
  owner_ = 0;
  return true;
}

int SimArchive::SevenZip(platform::WindowId owner, const std::string& command, char* output,
                         uint32_t outputSize) {
  int failWith = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(command);
    callOwners_.push_back({owner, owner_});
    if (!loaded_) return kArchiveNotLoaded;
    failWith = failWith_;
  }
  auto say = [&](const std::string& text) {
    if (output == nullptr || outputSize == 0) return;
    const size_t n = std::min<size_t>(text.size(), outputSize - 1);
    std::memcpy(output, text.data(), n);
    output[n] = '\0';
  };
  if (failWith != 0) {
    say("simulated failure\n");
    return failWith;
  }

  ExtractCommand parsed;
  if (!ParseExtractCommand(command, parsed)) {
    say("bad command\n");
    return kArchiveBadCommand;
  }
  std::string destination = parsed.destination;
  if (destination.back() != '\\' && destination.back() != '/') destination += '\\';

  const std::filesystem::path archiveHost = files_.HostPath(parsed.archive);
  if (archiveHost.empty()) {
    say("archive not on drive C:\n");
    return kArchiveUnreadable;
  }
  if (files_.HostPath(destination).empty()) {
    say("destination not on drive C:\n");
    return kArchiveWriteFailed;
  }
  bool fileInTheWay = false;
  const ExtractReport report = ExtractArchive(
      archiveHost,
      [&](const std::string& entryName) {
        std::string windowsName = entryName;
        std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
        // Every file is created new (CREATE_NEW), -y notwithstanding: one that
        // is already there is neither overwritten nor used, and the extraction
        // fails.
        const std::string target = destination + windowsName;
        if (files_.Exists(target) && !files_.IsDirectory(target)) {
          fileInTheWay = true;
          return std::filesystem::path();
        }
        return files_.HostPath(target);
      },
      parsed.destination);
  char summary[128];
  std::snprintf(summary, sizeof summary, "%zu extracted, %zu refused\n", report.extracted.size(),
                report.refused.size());
  say(summary + (report.error.empty() ? std::string() : report.error + "\n"));
  if (!report.opened) return kArchiveUnreadable;
  if (!report.complete || fileInTheWay) return kArchiveWriteFailed;
  if (!report.refused.empty()) return kArchiveUnsafeEntries;
  return 0;
}

void SimArchive::SetPresent(bool present) {
  std::lock_guard<std::mutex> lock(mutex_);
  present_ = present;
}

void SimArchive::FailWith(int code) {
  std::lock_guard<std::mutex> lock(mutex_);
  failWith_ = code;
}

int SimArchive::loadCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return loadCount_;
}

int SimArchive::freeCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return freeCount_;
}

std::string SimArchive::lastLoadedName() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastLoadedName_;
}

std::vector<std::string> SimArchive::commands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

std::vector<SimArchive::CallOwner> SimArchive::callOwners() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return callOwners_;
}

platform::WindowId SimArchive::registeredOwner() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return owner_;
}

}  // namespace sim
