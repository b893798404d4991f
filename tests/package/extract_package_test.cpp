// Start-up with a driver package: the real main window and start-up worker on
// the simulated machine.
#include "shell/extract_package.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install/model_catalogue.h"
#include "package_fixture.h"
#include "shell/shell_fixture.h"

namespace {

class PackageStartupThreads : public shell_test::ShellFixture {
 protected:
  void SetUp() override {
    ASSERT_FALSE(package_test::SampleCabinet().empty());
    m.fs().WriteFile("C:\\Setup\\DriverData.Drv", package_test::SampleCabinet());
  }
};

TEST_F(PackageStartupThreads, UnpacksTheSamplePackageListsItsNamesAndRemovesItOnClose) {
  std::vector<std::string> names(catalogue::ReceiptModelNames,
                                 catalogue::ReceiptModelNames + catalogue::kReceiptModelCount);
  names.insert(names.end(), catalogue::LabelModelNames,
               catalogue::LabelModelNames + catalogue::kLabelModelCount);
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    for (const std::string& name : package::SamplePackageFiles()) {
      std::string windowsName = "C:\\" + name;
      std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
      EXPECT_EQ(m.fs().ReadFile(windowsName), name == "DriverName.cfg"
                                                  ? package::SampleDriverNameFile()
                                                  : package::PlaceholderContent(name));
    }
    EXPECT_FALSE(m.simArchive().IsLoaded());
    EXPECT_EQ(u.ComboItems(IDC_DRIVER_NAME), names);
    EXPECT_EQ(u.ComboSelection(IDC_DRIVER_NAME), 0);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "RX-01 Series");
    u.Click(IDC_CANCEL);
  });
  // By full path from the program's folder: a bare name would be searched
  // for, and the search goes on into folders anyone may write.
  EXPECT_EQ(m.simArchive().lastLoadedName(), "C:\\Setup\\7-zip32.dll");
  // The library's pause after unpacking.
  EXPECT_EQ(m.simClock().SleptMs(), 120u);
  EXPECT_EQ(m.fs().List("C:\\"), (std::vector<std::string>{"Setup", "WINDOWS"}));
  EXPECT_EQ(m.fs().List("C:\\Setup"), std::vector<std::string>{"DriverData.Drv"});
  const auto statuses = m.simUi().Statuses(IDD_MAIN, IDC_STATUS);
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Reading driver file..."), statuses.end());
  EXPECT_EQ(m.simArchive().commands(),
            std::vector<std::string>{"x -y \"C:\\Setup\\DriverData.Drv\" -o\"C:\\\" -hide"});

  // Started from another folder, the program does not find the package
  // beside it: it is looked for in the current directory only.
  m.fs().MakeDirectory("C:\\Elsewhere");
  m.fs().SetCurrentDirectory("C:\\Elsewhere");
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    EXPECT_TRUE(u.ComboItems(IDC_DRIVER_NAME).empty());
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
    u.Click(IDC_CANCEL);
  });
  EXPECT_EQ(m.simArchive().commands().size(), 1u);
  EXPECT_EQ(m.simArchive().loadCount(), 2);
  EXPECT_EQ(m.simArchive().lastLoadedName(), "C:\\Setup\\7-zip32.dll")
      << "the library comes from the program's folder, never the current one";
}

}  // namespace
