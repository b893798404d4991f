#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

class SimFilesTest : public ::testing::Test {
 protected:
  // Every name a search returns, or the error when it finds nothing.
  std::vector<std::string> Search(const std::string& pattern, uint32_t* error = nullptr) {
    std::vector<std::string> names;
    platform::FindData data;
    platform::FindHandle find = fs.FindFirstFileA(pattern, data);
    if (find == 0) {
      if (error) *error = m.GetLastError();
      return names;
    }
    do names.push_back(data.fileName);
    while (fs.FindNextFileA(find, data));
    if (error) *error = m.GetLastError();
    fs.FindClose(find);
    return names;
  }

  sim::SimMachine m;
  platform::FileSystem& fs = m.files();
};

TEST_F(SimFilesTest, PathsResolveLikeWindows) {
  m.fs().WriteFile("C:\\Ticket\\x86\\POS80.GPD", "gpd");
  EXPECT_TRUE(fs.CopyFileA("c:\\TICKET//X86\\pos80.gpd", "c:/ticket\\copy.gpd", true));
  EXPECT_EQ(m.fs().ReadFile("C:\\Ticket\\copy.gpd"), "gpd");
  // The host keeps one folder, in the case it was created with.
  EXPECT_TRUE(std::filesystem::exists(m.fs().Root() / "Ticket" / "x86" / "POS80.GPD"));
  EXPECT_EQ(m.fs().HostPath("c:\\ticket\\X86\\pos80.gpd"),
            m.fs().Root() / "Ticket" / "x86" / "POS80.GPD");
  // Relative names start at the current directory.
  m.fs().WriteFile("C:\\Setup\\DriverData.Drv", "pkg");
  EXPECT_NE(fs.GetFileAttributesA("driverdata.drv"), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(fs.GetFileAttributesA("C:\\Ticket"), win::FILE_ATTRIBUTE_DIRECTORY);

  EXPECT_FALSE(fs.CopyFileA("D:\\a.gpd", "C:\\a.gpd", false));
  EXPECT_EQ(m.GetLastError(), win::ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(fs.GetFileAttributesA("C:\\Ticket\\none.gpd"), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(m.GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(fs.GetFileAttributesA("C:\\None\\none.gpd"), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(m.GetLastError(), win::ERROR_PATH_NOT_FOUND);
}

TEST_F(SimFilesTest, CopyAndDeleteErrors) {
  m.fs().WriteFile("C:\\Ticket\\a.dll", "a");
  EXPECT_FALSE(fs.CopyFileA("C:\\Ticket\\a.dll", "C:\\TICKET\\A.DLL", true));
  EXPECT_EQ(m.GetLastError(), win::ERROR_FILE_EXISTS);
  EXPECT_FALSE(fs.CopyFileA("C:\\Ticket\\b.dll", "C:\\Ticket\\c.dll", false));
  EXPECT_EQ(m.GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(fs.CopyFileA("C:\\Ticket\\a.dll", "C:\\Nowhere\\a.dll", false));
  EXPECT_EQ(m.GetLastError(), win::ERROR_PATH_NOT_FOUND);

  m.fs().SetReadOnly("c:\\ticket\\A.dll");
  EXPECT_FALSE(fs.DeleteFileA("C:\\Ticket\\a.dll"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(m.fs().Exists("C:\\Ticket\\a.dll"));
  EXPECT_FALSE(fs.RemoveDirectoryA("C:\\Ticket"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_DIR_NOT_EMPTY);
  // A copy of a read-only file is read-only too.
  EXPECT_TRUE(fs.CopyFileA("C:\\Ticket\\a.dll", "C:\\Ticket\\b.dll", false));
  EXPECT_EQ(fs.GetFileAttributesA("C:\\Ticket\\b.dll"), win::FILE_ATTRIBUTE_READONLY);

  m.fs().SetReadOnly("C:\\Ticket\\a.dll", false);
  m.fs().SetReadOnly("C:\\Ticket\\b.dll", false);
  EXPECT_TRUE(fs.DeleteFileA("C:\\Ticket\\a.dll"));
  EXPECT_TRUE(fs.DeleteFileA("C:\\Ticket//b.dll"));
  EXPECT_FALSE(fs.DeleteFileA("C:\\Ticket\\a.dll"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(fs.RemoveDirectoryA("c:\\ticket"));
  EXPECT_FALSE(m.fs().Exists("C:\\Ticket"));
  EXPECT_FALSE(fs.RemoveDirectoryA("C:\\Ticket"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_FILE_NOT_FOUND);
}

TEST_F(SimFilesTest, SearchListsDotsThenEntriesAndEndsWithNoMoreFiles) {
  m.fs().WriteFile("C:\\Ticket\\x86\\b.dll", "");
  m.fs().WriteFile("C:\\Ticket\\A.GPD", "");
  m.fs().WriteFile("C:\\Ticket\\readme", "");
  uint32_t error = 0;
  EXPECT_EQ(Search("c:\\Ticket//*.*", &error),
            (std::vector<std::string>{".", "..", "A.GPD", "readme", "x86"}));
  EXPECT_EQ(error, 18u);  // ERROR_NO_MORE_FILES
  EXPECT_EQ(Search("C:\\Ticket\\*.gpd"), std::vector<std::string>{"A.GPD"});
  // The drive's root has no dot entries.
  EXPECT_EQ(Search("C:\\*.*"), (std::vector<std::string>{"Setup", "Ticket", "WINDOWS"}));

  EXPECT_TRUE(Search("C:\\Ticket\\*.inf", &error).empty());
  EXPECT_EQ(error, win::ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(Search("C:\\Barcode//*.*", &error).empty());
  EXPECT_EQ(error, win::ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(m.fs().OpenFindCount(), 0u);

  platform::FindData data;
  platform::FindHandle find = fs.FindFirstFileA("C:\\Ticket\\x86", data);
  ASSERT_NE(find, 0u);
  EXPECT_EQ(data.fileName, "x86");
  EXPECT_EQ(data.attributes & win::FILE_ATTRIBUTE_DIRECTORY, win::FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(m.fs().OpenFindCount(), 1u);
  EXPECT_TRUE(fs.FindClose(find));
  EXPECT_FALSE(fs.FindClose(find));
}

TEST_F(SimFilesTest, SystemFoldersAndTheirBufferRule) {
  std::string dir = "unchanged";
  EXPECT_EQ(fs.GetWindowsDirectoryA(dir, 260), 10u);
  EXPECT_EQ(dir, "C:\\WINDOWS");
  EXPECT_EQ(fs.GetSystemDirectoryA(dir, 260), 19u);
  EXPECT_EQ(dir, "C:\\WINDOWS\\system32");
  EXPECT_TRUE(m.fs().IsDirectory(dir));
  dir = "unchanged";
  EXPECT_EQ(fs.GetSystemDirectoryA(dir, 19), 20u);  // no room for the zero
  EXPECT_EQ(dir, "unchanged");
  EXPECT_EQ(fs.GetCurrentDirectoryA(dir, 260), 8u);
  EXPECT_EQ(dir, "C:\\Setup");
  m.fs().SetCurrentDirectory("c:\\windows");
  EXPECT_EQ(fs.GetCurrentDirectoryA(dir, 260), 10u);
  EXPECT_EQ(dir, "C:\\WINDOWS");
}

TEST_F(SimFilesTest, FoldersComeAndGo) {
  EXPECT_TRUE(fs.CreateDirectoryA("C:\\Barcode"));
  EXPECT_FALSE(fs.CreateDirectoryA("c:\\BARCODE"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(fs.CreateDirectoryA("C:\\Nowhere\\x64"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_PATH_NOT_FOUND);
  EXPECT_TRUE(fs.CreateDirectoryA("C:\\Barcode//x64"));
  EXPECT_FALSE(fs.DeleteFileA("C:\\Barcode\\x64"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(fs.RemoveDirectoryA("C:\\Barcode//x64"));
}

TEST(SimFilesLifetime, TheDriveGoesWithTheMachine) {
  std::filesystem::path root;
  {
    sim::SimMachine m;
    root = m.fs().Root();
    m.fs().WriteFile("C:\\Ticket\\x.gpd", "x");
    EXPECT_TRUE(std::filesystem::exists(root / "Ticket" / "x.gpd"));
  }
  EXPECT_FALSE(std::filesystem::exists(root));
}

}  // namespace
