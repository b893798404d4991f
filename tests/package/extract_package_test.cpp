// Start-up with a driver package: the real main window and start-up worker on
// the simulated machine.
#include "shell/extract_package.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/model_catalogue.h"
#include "package_fixture.h"
#include "shell/shell_fixture.h"

namespace {

class PackageStartupThreads : public shell_test::ShellFixture {
 protected:
  void SetUp() override { ASSERT_FALSE(package_test::SampleCabinet().empty()); }

  std::vector<std::string> CatalogueNames() {
    std::vector<std::string> names;
    for (int32_t i = 0; i < catalogue::kReceiptModelCount; ++i) {
      names.push_back(catalogue::ReceiptModelNames[i]);
    }
    for (int32_t j = 0; j < catalogue::kLabelModelCount; ++j) {
      names.push_back(catalogue::LabelModelNames[j]);
    }
    return names;
  }

  bool WorkAreaPresent(bool all) {
    const bool t = m.fs().IsDirectory("C:\\Ticket");
    const bool b = m.fs().IsDirectory("C:\\Barcode");
    const bool c = m.fs().Exists("C:\\DriverName.cfg");
    return all ? (t && b && c) : (t || b || c);
  }
};

TEST_F(PackageStartupThreads, UnpacksTheSamplePackageListsItsNamesAndRemovesItOnClose) {
  m.fs().WriteFile("C:\\Setup\\DriverData.Drv", package_test::SampleCabinet());
  bool presentWhileOpen = false;
  bool libraryLoadedAfterStartup = true;
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    presentWhileOpen = WorkAreaPresent(true);
    libraryLoadedAfterStartup = m.simArchive().IsLoaded();
    EXPECT_EQ(u.ComboItems(IDC_DRIVER_NAME), CatalogueNames());
    EXPECT_EQ(u.ComboSelection(IDC_DRIVER_NAME), 0);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "RX-01 Series");
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
    u.Click(IDC_CANCEL);
  });
  EXPECT_TRUE(presentWhileOpen);
  EXPECT_FALSE(libraryLoadedAfterStartup);
  EXPECT_FALSE(WorkAreaPresent(false));
  EXPECT_TRUE(m.fs().Exists("C:\\Setup\\DriverData.Drv"));
  const auto statuses = m.simUi().Statuses(IDD_MAIN, IDC_STATUS);
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Reading driver file..."), statuses.end());
  ASSERT_EQ(m.simArchive().commands().size(), 1u);
  EXPECT_EQ(m.simArchive().commands()[0], "x -y \"C:\\Setup\\DriverData.Drv\" -o\"C:\\\" -hide");
}

TEST_F(PackageStartupThreads, WithoutTheLibraryTheListIsEmptyAndInstallStillEnabled) {
  m.fs().WriteFile("C:\\Setup\\DriverData.Drv", package_test::SampleCabinet());
  m.simArchive().SetPresent(false);
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    EXPECT_TRUE(u.ComboItems(IDC_DRIVER_NAME).empty());
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
    EXPECT_FALSE(WorkAreaPresent(false));
    u.Click(IDC_CANCEL);
  });
  EXPECT_TRUE(m.simArchive().commands().empty());
  ExpectNoUiErrors();
}

TEST_F(PackageStartupThreads, ThePackageIsLookedForInTheCurrentDirectoryOnly) {
  // The package lies in the program's folder, but the program was started
  // from another folder.
  m.fs().WriteFile("C:\\Setup\\DriverData.Drv", package_test::SampleCabinet());
  m.fs().MakeDirectory("C:\\Elsewhere");
  m.fs().SetCurrentDirectory("C:\\Elsewhere");
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    EXPECT_TRUE(u.ComboItems(IDC_DRIVER_NAME).empty());
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
    u.Click(IDC_CANCEL);
  });
  EXPECT_TRUE(m.simArchive().commands().empty());
  EXPECT_EQ(m.simArchive().loadCount(), 1);
  EXPECT_FALSE(m.simArchive().IsLoaded());
}

TEST_F(PackageStartupThreads, AReadOnlyFileKeepsItsFolderChainWhenTheWindowCloses) {
  m.fs().WriteFile("C:\\Setup\\DriverData.Drv", package_test::SampleCabinet());
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    m.fs().SetReadOnly("C:\\Ticket\\x64\\RXF52.GPD");
    u.Click(IDC_CANCEL);
  });
  EXPECT_TRUE(m.fs().Exists("C:\\Ticket\\x64\\RXF52.GPD"));
  EXPECT_EQ(m.fs().List("C:\\Ticket"), std::vector<std::string>{"x64"});
  EXPECT_EQ(m.fs().List("C:\\Ticket\\x64"), std::vector<std::string>{"RXF52.GPD"});
  EXPECT_FALSE(m.fs().Exists("C:\\Barcode"));
  EXPECT_FALSE(m.fs().Exists("C:\\DriverName.cfg"));
}

}  // namespace
