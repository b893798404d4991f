#include "package/work_area.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/forwarding_machine.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

// Records the paths that reach the file system, forwarding to the simulated
// one.
class RecordingFiles : public platform::FileSystem {
 public:
  explicit RecordingFiles(sim::SimFiles& files) : files_(files) {}
  std::vector<std::string> calls;

  bool CopyFileA(const std::string& s, const std::string& t, bool f) override {
    return files_.CopyFileA(s, t, f);
  }
  bool DeleteFileA(const std::string& path) override {
    calls.push_back("delete " + path);
    return files_.DeleteFileA(path);
  }
  bool CreateDirectoryA(const std::string& path) override { return files_.CreateDirectoryA(path); }
  bool RemoveDirectoryA(const std::string& path) override {
    calls.push_back("rmdir " + path);
    return files_.RemoveDirectoryA(path);
  }
  platform::FindHandle FindFirstFileA(const std::string& pattern,
                                      platform::FindData& data) override {
    calls.push_back("find " + pattern);
    return files_.FindFirstFileA(pattern, data);
  }
  bool FindNextFileA(platform::FindHandle find, platform::FindData& data) override {
    return files_.FindNextFileA(find, data);
  }
  bool FindClose(platform::FindHandle find) override { return files_.FindClose(find); }
  uint32_t GetFileAttributesA(const std::string& path) override {
    return files_.GetFileAttributesA(path);
  }
  uint32_t GetCurrentDirectoryA(std::string& d, uint32_t n) override {
    return files_.GetCurrentDirectoryA(d, n);
  }
  uint32_t GetSystemDirectoryA(std::string& d, uint32_t n) override {
    return files_.GetSystemDirectoryA(d, n);
  }
  uint32_t GetWindowsDirectoryA(std::string& d, uint32_t n) override {
    return files_.GetWindowsDirectoryA(d, n);
  }
  uint32_t GetPrivateProfileSectionNamesA(char* b, uint32_t n, const std::string& f) override {
    return files_.GetPrivateProfileSectionNamesA(b, n, f);
  }
  uint32_t GetPrivateProfileStringA(const std::string& s, const std::string& k, const char* d,
                                    char* b, uint32_t n, const std::string& f) override {
    return files_.GetPrivateProfileStringA(s, k, d, b, n, f);
  }

 private:
  sim::SimFiles& files_;
};

class RecordingMachine : public sim::ForwardingMachine {
 public:
  explicit RecordingMachine(sim::SimMachine& m) : ForwardingMachine(m), files_(m.fs()) {}
  RecordingFiles& recorded() { return files_; }

  platform::FileSystem& files() override { return files_; }

 private:
  RecordingFiles files_;
};

class WorkArea : public ::testing::Test {
 protected:
  void SeedWorkArea() {
    m.fs().WriteFile("C:\\DriverName.cfg", "[A]\r\nPrintName1=X\r\n");
    m.fs().WriteFile("C:\\Ticket\\x86\\RXF01.GPD", "a");
    m.fs().WriteFile("C:\\Ticket\\x86\\uniDRV.DLL", "b");
    m.fs().WriteFile("C:\\Ticket\\x64\\RXF01.GPD", "c");
    m.fs().WriteFile("C:\\Barcode\\Common\\THERMAL.chm", "d");
    m.fs().WriteFile("C:\\Barcode\\x86\\deep\\deeper\\file.bin", "e");
    m.fs().MakeDirectory("C:\\Barcode\\x64\\empty");
  }

  sim::SimMachine m;
  RecordingMachine recording{m};
};

TEST_F(WorkArea, DeleteTreeRemovesNestedFoldersDepthFirstWithDoubleSlashPaths) {
  m.fs().WriteFile("C:\\Top\\a.txt", "1");
  m.fs().WriteFile("C:\\Top\\Sub\\b.txt", "2");
  m.fs().WriteFile("C:\\Top\\Sub\\Deeper\\c.txt", "3");
  m.fs().MakeDirectory("C:\\Top\\Sub\\Deeper\\Empty");

  EXPECT_TRUE(DeleteTree(recording, "c:\\Top"));
  EXPECT_FALSE(m.fs().Exists("C:\\Top"));
  EXPECT_EQ(m.fs().OpenFindCount(), 0u);
  // Entries are listed in name order ignoring case ("a.txt" before "Sub").
  const std::vector<std::string> expected = {
      "find c:\\Top//*.*",
      "delete c:\\Top//a.txt",
      "find c:\\Top//Sub//*.*",
      "delete c:\\Top//Sub//b.txt",
      "find c:\\Top//Sub//Deeper//*.*",
      "delete c:\\Top//Sub//Deeper//c.txt",
      "find c:\\Top//Sub//Deeper//Empty//*.*",
      "rmdir c:\\Top//Sub//Deeper//Empty",
      "rmdir c:\\Top//Sub//Deeper",
      "rmdir c:\\Top//Sub",
      "rmdir c:\\Top",
  };
  EXPECT_EQ(recording.recorded().calls, expected);
}

TEST_F(WorkArea, DeleteTreeOfAMissingPathChangesNothing) {
  SeedWorkArea();
  EXPECT_FALSE(DeleteTree(recording, "c:\\NoSuchFolder"));
  EXPECT_FALSE(DeleteTree(recording, "c:\\DriverName.cfg"));  // a file, not a folder
  EXPECT_TRUE(m.fs().Exists("C:\\DriverName.cfg"));
  EXPECT_EQ(m.fs().List("C:\\Ticket"), (std::vector<std::string>{"x64", "x86"}));
  EXPECT_EQ(m.fs().OpenFindCount(), 0u);
}

TEST_F(WorkArea, AReadOnlyFileStaysWithItsFolderChainAndTheRestGoes) {
  SeedWorkArea();
  m.fs().SetReadOnly("C:\\Ticket\\x86\\uniDRV.DLL");
  RemoveWorkArea(recording);
  EXPECT_EQ(m.fs().List("C:\\Ticket"), std::vector<std::string>{"x86"});
  EXPECT_EQ(m.fs().List("C:\\Ticket\\x86"), std::vector<std::string>{"uniDRV.DLL"});
  EXPECT_FALSE(m.fs().Exists("C:\\Barcode"));
  EXPECT_FALSE(m.fs().Exists("C:\\DriverName.cfg"));
  EXPECT_EQ(m.fs().OpenFindCount(), 0u);
}

TEST_F(WorkArea, RemovesTheThreeWorkAreaItemsAndNothingElse) {
  SeedWorkArea();
  m.fs().WriteFile("C:\\Setup\\DriverData.Drv", "package");
  m.fs().WriteFile("C:\\TicketArchive\\keep.txt", "not part of the work area");
  m.fs().WriteFile("C:\\DriverName.cfg.bak", "not part of the work area");
  RemoveWorkArea(recording);
  EXPECT_FALSE(m.fs().Exists("C:\\Ticket"));
  EXPECT_FALSE(m.fs().Exists("C:\\Barcode"));
  EXPECT_FALSE(m.fs().Exists("C:\\DriverName.cfg"));
  EXPECT_TRUE(m.fs().Exists("C:\\Setup\\DriverData.Drv"));
  EXPECT_TRUE(m.fs().Exists("C:\\TicketArchive\\keep.txt"));
  EXPECT_TRUE(m.fs().Exists("C:\\DriverName.cfg.bak"));
  // Barcode first, then Ticket, then the name list.
  const auto& calls = recording.recorded().calls;
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), "find c:\\Barcode//*.*");
  EXPECT_EQ(calls.back(), "delete c:\\DriverName.cfg");
}

TEST_F(WorkArea, LinksGoAsLinksAndWhatTheyPointAtStays) {
  // Left by an earlier run or unpacked by a foreign archive library: a
  // folder link into the system folder and a file link to a system file.
  SeedWorkArea();
  m.fs().WriteFile("C:\\WINDOWS\\system32\\spoolsv.exe", "system");
  m.fs().WriteFile("C:\\WINDOWS\\system32\\drivers\\disk.sys", "system");
  m.fs().MakeLink("C:\\Ticket\\x86\\sys", "C:\\WINDOWS\\system32");
  m.fs().MakeLink("C:\\Barcode\\Common\\spool.lnk", "C:\\WINDOWS\\system32\\spoolsv.exe");
  RemoveWorkArea(recording);
  EXPECT_FALSE(m.fs().Exists("C:\\Ticket"));
  EXPECT_FALSE(m.fs().Exists("C:\\Barcode"));
  EXPECT_EQ(m.fs().ReadFile("C:\\WINDOWS\\system32\\spoolsv.exe"), "system");
  EXPECT_EQ(m.fs().ReadFile("C:\\WINDOWS\\system32\\drivers\\disk.sys"), "system");
  for (const std::string& call : recording.recorded().calls) {
    EXPECT_EQ(call.find("sys//"), std::string::npos) << "descended into a link: " << call;
  }
}

TEST_F(WorkArea, PathsBeyondTheSystemLimitAreLeftAlone) {
  // A folder name that brings "<top>//<name>//*.*" past 259 characters.
  const std::string top = "c:\\Deep";
  const std::string longName(240, 'n');
  m.fs().WriteFile("C:\\Deep\\short.txt", "x");
  m.fs().WriteFile("C:\\Deep\\" + longName + "\\inner.txt", "y");
  EXPECT_FALSE(DeleteTree(recording, top));
  EXPECT_FALSE(m.fs().Exists("C:\\Deep\\short.txt"));
  EXPECT_TRUE(m.fs().Exists("C:\\Deep\\" + longName + "\\inner.txt"));
  for (const std::string& call : recording.recorded().calls) {
    EXPECT_LE(call.size() - call.find(' ') - 1, 259u) << call;
  }
}

}  // namespace
