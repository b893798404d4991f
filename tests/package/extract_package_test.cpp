// Start-up with a driver package: the real main window and start-up worker on
// the simulated machine.
#include "startup/extract_package.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "drivers/model_catalogue.h"
#include "package_fixture.h"
#include "platform/win_constants.h"
#include "shell/shell_fixture.h"

namespace {

const char* const kStandardUser = "S-1-5-21-1004336348-1177238915-682003330-1001";

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
    // The library reports to the main window.
    const sim::SimArchive::CallOwner owned{u.hwnd(), u.hwnd()};
    EXPECT_EQ(m.simArchive().callOwners(), std::vector<sim::SimArchive::CallOwner>{owned});
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

// Nothing of an earlier run (or of anyone since) is unpacked over: the two
// folders are made anew, the installer's own, with an access list that
// inherits nothing from C:\ (where every authenticated user may change
// what an administrator creates) and lets users only read.
TEST_F(PackageStartupThreads, UnpacksIntoFoldersMadeAnewWithAProtectedAccessList) {
  m.fs().WriteFile("C:\\Ticket\\x86\\planted.dll", "left over");
  m.fs().WriteFile("C:\\Barcode\\Common\\old.chm", "left over");
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
    for (const char* folder : {"C:\\Ticket", "C:\\Barcode"}) {
      EXPECT_EQ(m.fs().OwnerOf(folder), platform::kSidAdministrators) << folder;
      const auto security = m.fs().SecurityOf(folder);
      ASSERT_TRUE(security.has_value()) << folder << " inherits the access list of C:\\";
      EXPECT_EQ(security->ownerSid, platform::kSidAdministrators);
      std::vector<std::pair<std::string, uint32_t>> allowed;
      for (const auto& entry : security->allowed) allowed.emplace_back(entry.sid, entry.access);
      EXPECT_EQ(allowed, (std::vector<std::pair<std::string, uint32_t>>{
                             {platform::kSidSystem, win::FILE_ALL_ACCESS},
                             {platform::kSidAdministrators, win::FILE_ALL_ACCESS},
                             {platform::kSidUsers, 0x1200A9u}}));
    }
    EXPECT_FALSE(m.fs().Exists("C:\\Ticket\\x86\\planted.dll"));
    EXPECT_FALSE(m.fs().Exists("C:\\Barcode\\Common\\old.chm"));
    EXPECT_TRUE(m.fs().Exists("C:\\Ticket\\x86\\UNIDRV.DLL"));
    u.Click(IDC_CANCEL);
  });
}

// Without the archive library nothing is unpacked, so nothing is renewed:
// what an earlier run unpacked stays as it lies.
TEST_F(PackageStartupThreads, WithoutTheLibraryTheWorkAreaStaysAsItLies) {
  m.simArchive().SetPresent(false);
  m.fs().WriteFile("C:\\Ticket\\x86\\RXF01.GPD", "earlier run");
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    EXPECT_EQ(m.fs().ReadFile("C:\\Ticket\\x86\\RXF01.GPD"), "earlier run");
    EXPECT_FALSE(m.fs().Exists("C:\\Barcode"));
    u.Click(IDC_CANCEL);
  });
}

// A standard user made C:\Barcode before the run and put a language monitor
// of their own in it, for the spooler to load as SYSTEM. The start-up stops
// with a box: nothing is unpacked, nothing can be installed, and the folder
// is left as its owner made it.
TEST_F(PackageStartupThreads, AnotherUsersFolderStopsTheStartUpUntouched) {
  const std::string planted = std::string("C:\\Barcode\\x86\\") +
                              catalogue::LabelEngineFiles(false)[catalogue::kLabelMonitorDll];
  m.fs().WriteFile(planted, "planted");
  m.fs().SetOwner("C:\\Barcode", kStandardUser);
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    EXPECT_FALSE(u.IsEnabled(IDC_INSTALL));
    EXPECT_TRUE(u.ComboItems(IDC_DRIVER_NAME).empty());
    u.Click(IDC_CANCEL);
  });
  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "The folder C:\\Barcode is not safe to use: it is a link or belongs to another "
            "user.\r\nRemove it, then run the installer again.");
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].ownerTemplateId, IDD_MAIN);
  EXPECT_TRUE(m.simArchive().commands().empty());
  EXPECT_EQ(m.fs().List("C:\\"), (std::vector<std::string>{"Barcode", "Setup", "WINDOWS"}));
  EXPECT_EQ(m.fs().ReadFile(planted), "planted");
  EXPECT_EQ(m.fs().OwnerOf("C:\\Barcode"), kStandardUser);
}

}  // namespace
