// Runs started with arguments, on the simulated machine: the command line,
// the answer rules, and each exit code's path.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "install/install_fixture.h"
#include "package/package_fixture.h"
#include "ports/baud_rates.h"
#include "shell/app.h"
#include "unattended/unattended_run.h"

namespace {

using install_test::InstallRig;
using ::testing::HasSubstr;
using ::testing::Not;
using Args = std::vector<std::string>;

const std::string kReceipt = catalogue::ReceiptModelNames[0];
const std::string kLabel = catalogue::LabelModelNames[0];
const char* const kLog = "C:\\Temp\\DriverSetup.log";
const char* const kPortsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

// The driver package where the program lies and is started from.
void PlacePackage(InstallRig& rig, const std::string& path = "C:\\Setup\\DriverData.Drv") {
  rig.m.fs().WriteFile(path, package_test::SampleCabinet());
  rig.m.fs().MakeDirectory("C:\\Temp");
}

TEST(UnattendedCommandLine, EveryBadInputIsRefusedWithItsReason) {
  const std::pair<Args, const char*> kBad[] = {
      {{"/frobnicate"}, "unknown switch"},
      {{"install"}, "is not a switch"},
      {{""}, "is not a switch"},
      {{"/"}, "is not a switch"},
      {{"/driver"}, "needs a value"},
      {{"/driver:"}, "needs a value"},
      {{"/log:a", "-LOG:b"}, "given twice"},
      {{"/driver:x", "/port:firewire"}, "is not serial, usb"},
      {{"/driver:x", "/port:usb="}, "empty"},
      {{"/driver:x", "/baud:9601"}, "is not one of"},
      {{"/driver:x", "/port:usb", "/baud:9600"}, "goes with /port:serial"},
      {{"/quiet"}, "need /driver, /uninstall or /list"},
      {{"/passive", "/log:x"}, "need /driver, /uninstall or /list"},
      {{"/quiet", "/uninstall:a", "/driver:b"}, "exclude each other"},
      {{"/quiet", "/passive", "/list"}, "exclude each other"},
      {{"/list:yes"}, "takes no value"},
      {{"/nodefault"}, "go with /driver"},
      {{"/force"}, "go with /driver"},
      {{"/list", "/timeout:0"}, "not a number of minutes"},
      {{"/list", "/timeout:1x"}, "not a number of minutes"},
  };
  for (const auto& [args, reason] : kBad) {
    EXPECT_THAT(ParseCommandLine(args).error, HasSubstr(reason)) << JoinCommandLine(args);
  }
  const CommandLine good =
      ParseCommandLine({"-QUIET", "/Driver:POS 80", "/port:Serial=COM3:", "/baud:9600",
                        "/nodefault", "/log:C:\\a b\\x.log"})
          .options;
  EXPECT_EQ(good.mode, RunMode::Quiet);
  EXPECT_EQ(good.driver, "POS 80");
  EXPECT_EQ(good.portKind, Serial);
  EXPECT_EQ(good.port, "COM3:");
  EXPECT_EQ(good.baudRate, 9600);
  EXPECT_TRUE(good.noDefault);
  EXPECT_EQ(good.logFile, "C:\\a b\\x.log");
  // Serial and parallel ports get the colon the spooler names them with.
  const std::pair<const char*, const char*> kPorts[] = {{"serial=com3", "com3:"},
                                                        {"parallel=LPT2:", "LPT2:"},
                                                        {"usb=USB002", "USB002"},
                                                        {"tcpip=IP_10.1.2.3", "IP_10.1.2.3"}};
  for (const auto& [port, named] : kPorts) {
    EXPECT_EQ(ParseCommandLine({"/driver:x", std::string("/port:") + port}).options.port, named);
  }
}

// One event, one line: every kind of line break inside a text (a box's
// "\r\n", a lone "\n" or "\r") becomes " | ", and each line ends in "\r\n".
TEST(UnattendedLog, LineBreaksInsideAnEventKeepItOnOneLine) {
  sim::SimMachine m;
  m.fs().MakeDirectory("C:\\Temp");
  RunLog log(m.process());
  log.Open(kLog, false);
  log.Line("a\r\nb\nc\rd\r");
  log.Line("\n");
  const std::string stamp = m.process().LocalTimestamp() + "  [4012] ";
  EXPECT_EQ(m.fs().ReadFile(kLog), stamp + "a | b | c | d | \r\n" + stamp + " | \r\n");
}

// The line that found the log file refused is not lost: the file beside it
// starts with the reason, then that line, then the ones after it.
TEST(UnattendedLog, TheFileBesideARefusedOneKeepsEveryLine) {
  sim::SimMachine m;
  m.fs().MakeDirectory("C:\\Temp");
  m.fs().WriteFile("C:\\Temp\\elsewhere.txt", "kept\r\n");
  m.fs().MakeLink(kLog, "C:\\Temp\\elsewhere.txt");
  RunLog log(m.process());
  log.Open(kLog, false);
  log.Line("first");
  log.Line("second");
  const std::string beside = "C:\\Temp\\DriverSetup-4012.log";
  const std::string stamp = m.process().LocalTimestamp() + "  [4012] ";
  EXPECT_EQ(m.fs().ReadFile(beside), stamp + "the log file " + kLog +
                                         " is a link: not written to; this run's log is " + beside +
                                         "\r\n" + stamp + "first\r\n" + stamp + "second\r\n");
  EXPECT_EQ(m.fs().ReadFile("C:\\Temp\\elsewhere.txt"), "kept\r\n");
}

TEST(UnattendedAnswers, EachQuestionHasItsRule) {
  sim::SimMachine m;
  RunLog log(m.process());
  UnattendedRun run(m, ParseCommandLine({"/quiet", "/driver:x", "/baud:9600"}).options, log);
  const std::pair<uint32_t, int> kBoxes[] = {
      {win::MB_OK, win::IDOK},
      {win::MB_OKCANCEL, win::IDOK},
      {win::MB_OKCANCEL | win::MB_DEFBUTTON2, win::IDCANCEL},
      {win::MB_YESNO, win::IDYES},
      {win::MB_YESNO | win::MB_DEFBUTTON2, win::IDNO},
      {win::MB_YESNOCANCEL | win::MB_DEFBUTTON3, win::IDCANCEL},
      {win::MB_ABORTRETRYIGNORE, win::IDABORT},
      {win::MB_RETRYCANCEL, win::IDCANCEL}};
  for (const auto& [type, answer] : kBoxes) {
    EXPECT_EQ(run.AnswerMessageBox("Service status is unknown", "t", type), answer) << type;
  }
  Installation installation(m);
  installation.parallelPorts = {"LPT1:", "LPT2:"};
  installation.usbPorts = {"USB001", "USB002"};
  std::string port;
  EXPECT_EQ(run.AnswerPortDialog(installation, Parallel, port), RESULT_ROW_BASE);
  EXPECT_EQ(port, "LPT1:");
  EXPECT_EQ(run.AnswerPortDialog(installation, Usb, port), 0);
  EXPECT_EQ(run.AnswerSerialPrompt(), RESULT_ROW_BASE + 4);  // 9600
  EXPECT_EQ(run.AnswerTcpIpWizard(), 0);
  EXPECT_EQ(run.ExitCode(), exit_code::kNoPortOfKind) << "boxes name no outcome here";

  // A message's wording decides nothing: the place that ends the run names
  // its outcome.
  RunLog wordsLog(m.process());
  UnattendedRun byWords(m, ParseCommandLine({"/quiet", "/list"}).options, wordsLog);
  byWords.AnswerMessageBox("Error AddPrinter 1797", "Error prompt", win::MB_OK);
  byWords.Status("Cannot select a available port.");
  EXPECT_EQ(byWords.ExitCode(), exit_code::kCancelled);
  const std::pair<RunOutcome, int> kOutcomes[] = {
      {RunOutcome::kNoDriverNameList, 2},      {RunOutcome::kUnknownDriverName, 1797},
      {RunOutcome::kDriverRegistration, 1603}, {RunOutcome::kMonitorRegistration, 1603},
      {RunOutcome::kPrinterCreation, 1603},    {RunOutcome::kNoPort, 1796}};
  for (const auto& [outcome, code] : kOutcomes) {
    UnattendedRun ended(m, ParseCommandLine({"/quiet", "/list"}).options, wordsLog);
    ended.Ended(RunOutcome::kNone, 0);
    ended.Ended(outcome, 5);
    EXPECT_EQ(ended.ExitCode(), code) << code;
  }
  UnattendedRun byStatus(m, ParseCommandLine({"/quiet", "/list"}).options, wordsLog);
  byStatus.Status("any words", RunOutcome::kNoPort);
  EXPECT_EQ(byStatus.ExitCode(), exit_code::kNoPortOfKind);

  RunLog named(m.process());
  UnattendedRun withPort(m, ParseCommandLine({"/quiet", "/driver:x", "/port:usb=USB002"}).options,
                         named);
  EXPECT_EQ(withPort.AnswerPortDialog(installation, Usb, port), 1);
  EXPECT_EQ(port, "USB002");
  EXPECT_EQ(withPort.AnswerSerialPrompt(), RESULT_ROW_BASE + kDefaultBaudRow);
  EXPECT_EQ(withPort.AnswerPortDialog(installation, TcpIp, port), RESULT_CANCEL);
  EXPECT_EQ(withPort.ExitCode(), exit_code::kNoPortOfKind);
}

class UnattendedRunTest : public ::testing::Test, public InstallRig {
 protected:
  UnattendedRunTest() { PlacePackage(*this); }
  int Run(const Args& args) { return RunInstaller(m, args); }
  std::string Log() { return m.fs().ReadFile(kLog).value_or(""); }
  std::string PrinterPort(const std::string& name) {
    for (const auto& printer : m.spool().Printers()) {
      if (printer.name == name) return printer.port;
    }
    return "";
  }
  // COMfirst: to COMlast: in the registry and the spooler's port list, each
  // with a device behind it that answers nothing unless a printer is attached.
  void AddComPorts(int first, int last) {
    m.reg().CreateKey(platform::kHkeyLocalMachine, kPortsKey);
    for (int n = first; n <= last; ++n) {
      m.reg().SetString(platform::kHkeyLocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                        "\\Device\\Serial" + std::to_string(n), "COM" + std::to_string(n));
      m.spool().AddPort("COM" + std::to_string(n) + ":", "Local Port", "Local Port");
      m.simComm().AddDevice(n);
    }
  }
  void ExpectNothingShown() {
    EXPECT_TRUE(m.simUi().MessageBoxes().empty()) << m.simUi().Dump();
    EXPECT_TRUE(m.simUi().Errors().empty()) << m.simUi().Dump();
    EXPECT_EQ(m.simUi().DialogsOpened(IDD_MAIN), 0);
  }
};

TEST_F(UnattendedRunTest, QuietReceiptInstallOnTheOnlyParallelPort) {
  m.simProcess().SetConsole(true);
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:parallel"}), 0) << Log();
  EXPECT_EQ(PrinterPort(kReceipt), "LPT1:");
  ExpectNothingShown();
  const std::string log = Log();
  for (const char* line : {"[4012] run: process 4012, DriverSetup 1.0.0.0, account admin (not "
                           "SYSTEM), session 1\r\n",
                           "command line: /quiet \"/driver:", "environment: Windows 6.1",
                           "package: looked for in C:\\Setup; C:\\Setup\\DriverData.Drv, unpacked",
                           "status: Added the printer", "end state: printer", "exit code 0"}) {
    EXPECT_THAT(log, HasSubstr(line));
  }
  EXPECT_EQ(m.simProcess().ConsoleText(), log);
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = log.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  std::size_t tagged = 0;
  for (std::size_t at = 0; (at = log.find("  [4012] ", at)) != std::string::npos; ++at) ++tagged;
  EXPECT_EQ(tagged, lines) << "every line carries the process id";
  EXPECT_NE(DeviceValue().value_or(""), "");
  EXPECT_FALSE(m.fs().Exists("C:\\Ticket")) << "the work area is removed as by the window";
  EXPECT_TRUE(m.Leftovers().empty());
}

// The monitor DLL the spooler holds is replaced at the next start of
// Windows: the run succeeds with 3010 and says that a restart is pending.
TEST_F(UnattendedRunTest, AReinstallOverAHeldLanguageMonitorLogsThePendingRestart) {
  const std::string monitorDll = "C:\\WINDOWS\\system32\\lbxmonNT.dll";
  m.fs().WriteFile(monitorDll, "older version");
  m.spool().AddMonitor(install_test::kMonitor, monitorDll);
  m.spool().AddDriver(sim::kEnvX86, "LX-2(Label)", install_test::kMonitor);
  EXPECT_EQ(Run({"/quiet", "/driver:LX-2(Label)", "/port:parallel"}), exit_code::kRestartNeeded)
      << Log();
  EXPECT_THAT(Log(), HasSubstr("restart pending: "));
  EXPECT_EQ(m.fs().PendingMoves().size(), 1u);
}

// A standard user's C:\Barcode with a language monitor of their own in it:
// the run installs nothing, and a roll-out learns why from its exit code.
// No package lies beside the installer here, so the work area would be used
// as it lies; it is refused all the same.
TEST_F(UnattendedRunTest, AnotherUsersWorkAreaEndsTheRunWithItsCode) {
  const std::string monitors[] = {catalogue::LabelEngineFiles(false)[catalogue::kLabelMonitorDll],
                                  catalogue::LabelEngineFiles(true)[catalogue::kLabelMonitorDll]};
  for (const std::string& monitor : monitors) {
    m.fs().WriteFile("C:\\Barcode\\x86\\" + monitor, "planted");
    m.fs().WriteFile("C:\\Barcode\\x64\\" + monitor, "planted");
  }
  m.fs().SetOwner("C:\\Barcode", "S-1-5-21-1004336348-1177238915-682003330-1001");
  EXPECT_EQ(Run({"/quiet", "/driver:" + kLabel, "/port:parallel"}), exit_code::kInstallFailed)
      << Log();
  EXPECT_EQ(exit_code::kInstallFailed, 1603);
  ExpectNothingShown();
  for (const std::string& monitor : monitors) {
    EXPECT_FALSE(m.fs().Exists("C:\\WINDOWS\\system32\\" + monitor)) << monitor;
  }
  EXPECT_TRUE(m.spool().Monitors().empty());
  EXPECT_TRUE(m.spool().Printers().empty());
  const std::string log = Log();
  for (const char* line : {"box \"Error\": The folder C:\\Barcode is not safe to use",
                           "failure: C:\\Barcode is a link", "exit code 1603"}) {
    EXPECT_THAT(log, HasSubstr(line));
  }
  EXPECT_EQ(m.fs().ReadFile("C:\\Barcode\\x86\\" + monitors[0]), "planted");
}

// The Windows call `call` fails with `error`, as `options` say.
std::function<void(InstallRig&)> Failing(const char* call, uint32_t error,
                                         sim::FaultOptions options = {}) {
  return [=](InstallRig& r) { r.m.faults().Fail(call, error, options); };
}

TEST_F(UnattendedRunTest, EachFailureEndsWithItsExitCode) {
  const auto noNameList = Failing("GetPrivateProfileSectionNamesA", 2, {.times = sim::kForever});
  const Args receipt = {"/quiet", "/driver:" + kReceipt};
  const Args onParallel = {"/quiet", "/driver:" + kReceipt, "/port:parallel"};
  const Args onUsb = {"/quiet", "/driver:" + kReceipt, "/port:usb"};
  const Args list = {"/quiet", "/list"};
  const struct {
    const char* name;
    Args args;
    std::function<void(InstallRig&)> fault;
    int code;
  } kPaths[] = {
      {"bad command line", {"/quiet", "/driver:x", "/port:firewire"}, nullptr, 87},
      {"not elevated", list, [](auto& r) { r.m.simProcess().SetElevated(false); }, 740},
      {"no package", receipt, [](auto& r) { r.m.fs().DeleteFileA("C:\\Setup\\DriverData.Drv"); },
       2},
      {"package does not unpack", list, [](auto& r) { r.m.simArchive().FailWith(1); }, 2},
      {"no name list in the package", receipt, noNameList, 2},
      {"unknown name", {"/quiet", "/driver:POS-99"}, nullptr, 1797},
      {"no start-up worker", {"/passive", "/driver:" + kReceipt}, Failing("CreateThread", 8), 2},
      {"driver registration", onParallel, Failing("AddPrinterDriverExA", 5), 1603},
      {"monitor registration",
       {"/quiet", "/driver:" + kLabel, "/port:parallel"},
       Failing("AddMonitorA", 126),
       1603},
      {"printer creation", onParallel, Failing("AddPrinterA", 1797), 1603},
      {"no TCP/IP port", {"/quiet", "/driver:" + kReceipt, "/port:tcpip"}, nullptr, 1796},
      {"named port missing",
       {"/quiet", "/driver:" + kReceipt, "/port:parallel=LPT9:"},
       nullptr,
       1796},
      {"no USB port", onUsb, nullptr, 1796},
      {"no printer on the USB port", onUsb,
       [](auto& r) { r.m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port"); }, 1796},
      {"no name list to remove by", {"/quiet", "/uninstall:" + kReceipt}, noNameList, 2},
  };
  for (const auto& path : kPaths) {
    SCOPED_TRACE(path.name);
    InstallRig rig;
    PlacePackage(rig);
    if (path.fault) path.fault(rig);
    EXPECT_EQ(RunInstaller(rig.m, path.args), path.code);
    EXPECT_THAT(rig.m.fs().ReadFile(kLog).value_or(""),
                HasSubstr("exit code " + std::to_string(path.code)));
    EXPECT_TRUE(rig.m.simUi().MessageBoxes().empty());
    if (path.code != 1796 || path.args[2] != "/port:usb") {
      EXPECT_TRUE(rig.m.spool().Printers().empty());
    }
    if (path.code == 2) {
      EXPECT_EQ(rig.m.svc().Stops("Spooler"), 0);
    }
  }
}

// Start-up scripts start in the system folder, remoting elsewhere: the
// package is found by /package, else beside the program.
TEST_F(UnattendedRunTest, ThePackageIsFoundFromAnyFolder) {
  m.fs().MakeDirectory("C:\\WINDOWS\\system32");
  m.fs().SetCurrentDirectory("C:\\WINDOWS\\system32");
  EXPECT_EQ(Run({"/quiet", "/list"}), 0) << Log();
  EXPECT_THAT(Log(), HasSubstr("looked for in C:\\WINDOWS\\system32, C:\\Setup; "
                               "C:\\Setup\\DriverData.Drv, unpacked"));
  m.fs().MakeDirectory("C:\\Share");
  PlacePackage(*this, "C:\\Share\\Tills.drv");
  m.fs().DeleteFileA("C:\\Setup\\DriverData.Drv");
  for (const char* place : {"/package:C:\\Share\\Tills.drv", "/package:C:\\Share\\"}) {
    if (std::string(place).back() == '\\') {
      m.fs().WriteFile("C:\\Share\\DriverData.Drv", *m.fs().ReadFile("C:\\Share\\Tills.drv"));
      m.fs().DeleteFileA("C:\\Share\\Tills.drv");
    }
    EXPECT_EQ(Run({"/quiet", "/list", place}), 0) << place << "\n" << Log();
  }
  // Not found: the run says where it looked and reads no list an earlier
  // run left behind.
  LayPackage();
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt}), exit_code::kNoPackage);
  EXPECT_THAT(Log(),
              HasSubstr("failure: no driver package DriverData.Drv in C:\\WINDOWS\\system32, "
                        "C:\\Setup"));
  EXPECT_TRUE(m.spool().Printers().empty());
}

// A deployment tool runs the installer as SYSTEM, whose default printer no
// user ever sees.
TEST_F(UnattendedRunTest, UnderSystemTheDefaultPrinterIsLeftAlone) {
  m.simProcess().SetLocalSystem(true);
  m.simProcess().SetWindowStationVisible(false);
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:parallel"}), 0) << Log();
  EXPECT_EQ(DeviceValue().value_or(""), "");
  EXPECT_THAT(Log(), HasSubstr("account SYSTEM (SYSTEM), session 0"));
  EXPECT_THAT(
      Log(), HasSubstr("not the default printer: \"Set Default Printer\" would set only SYSTEM's"));
}

TEST_F(UnattendedRunTest, NamesAreCaseBlind) {
  std::string lower = kReceipt;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(Run({"/quiet", "/driver:" + lower, "/port:parallel=lpt1"}), 0) << Log();
  EXPECT_EQ(PrinterPort(kReceipt), "LPT1:");
  LayPackage();
  std::string upper = kReceipt;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(Run({"/quiet", "/uninstall:" + upper}), 0) << Log();
  EXPECT_TRUE(m.spool().Printers().empty());
}

// Another port of the kind with a printer behind it must not be taken for
// the named one, nor be disturbed.
TEST_F(UnattendedRunTest, ANamedUsbPortIsTheOnlyOneTried) {
  for (const char* port : {"USB001", "USB002"}) {
    m.spool().AddPort(port, "USB Monitor", "Virtual printer port for USB");
    m.spool().AttachUsbDevice(port);
  }
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:usb=usb002"}), 0) << Log();
  EXPECT_EQ(PrinterPort(kReceipt), "USB002");
  EXPECT_THAT(Log(), Not(HasSubstr("USB001")));
}

// The spooler control's box comes from the removal, which has no window to
// ask through: it is answered and logged as every other box of the run.
TEST_F(UnattendedRunTest, QuietUninstallAnswersTheSpoolerBoxes) {
  ASSERT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:parallel"}), 0) << Log();
  LayPackage();
  m.faults().Fail("QueryServiceStatus", win::ERROR_ACCESS_DENIED, {.times = sim::kForever});
  // Whether the spooler runs cannot be told: the removal cannot be judged.
  EXPECT_EQ(Run({"/quiet", "/uninstall:" + kReceipt}), exit_code::kSpoolerNotRunning);
  EXPECT_TRUE(m.simUi().MessageBoxes().empty()) << m.simUi().Dump();
  EXPECT_THAT(Log(), HasSubstr(": Service status is unknown -> OK"));
}

// The printer list of a stopped spooler is empty: it must not read as a
// printer removed, or as one never created.
TEST_F(UnattendedRunTest, ASpoolerThatDoesNotComeBackFailsTheRun) {
  ASSERT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:parallel"}), 0) << Log();
  LayPackage();
  m.faults().Fail("StartServiceA", 1053, {.times = sim::kForever});
  EXPECT_EQ(Run({"/quiet", "/uninstall:" + kReceipt}), exit_code::kSpoolerNotRunning) << Log();
  EXPECT_THAT(
      Log(),
      HasSubstr("service Spooler: stop, start failed (error 1053) -> not running (state 1)"));
  EXPECT_THAT(Log(), HasSubstr("failure: the print spooler does not run"));
  EXPECT_THAT(Log(), Not(HasSubstr("removed")));

  m.faults().Clear("StartServiceA");
  m.svc().SetState("Spooler", win::SERVICE_RUNNING);
  EXPECT_EQ(Run({"/quiet", "/list"}), 0);
  ASSERT_EQ(PrinterPort(kReceipt), "LPT1:") << "the printer was not removed";
  m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
  m.spool().AttachUsbDevice("USB001");
  m.svc().SetHangsOnStop("Spooler");
  LayPackage();
  EXPECT_EQ(Run({"/quiet", "/driver:" + kLabel, "/port:usb"}), exit_code::kSpoolerNotRunning)
      << Log();
  EXPECT_THAT(Log(), HasSubstr("service Spooler: stop -> not running (state 3)"));
}

// A box nobody answers waits until the deployment tool gives up, and the
// instance keeps the mutex meanwhile: /passive refuses without one, and in
// session 0 nothing that needs a person starts at all.
TEST_F(UnattendedRunTest, RefusalsShowNoBoxWhereNobodyLooks) {
  // Each is refused as a bad command line (87).
  const struct {
    const char* name;
    Args args;
    bool stationVisible;
    const char* logged;
  } kRuns[] = {
      {"passive, bad switch", {"/passive", "/list", "/bogus"}, true, "unknown switch /bogus"},
      {"session 0, mistyped /quiet", {"/qn", "/driver:" + kReceipt}, false, "unknown switch /qn"},
      {"session 0, window mode", {"/driver:" + kReceipt}, false, "add /quiet"},
      {"session 0, passive", {"/passive", "/driver:" + kReceipt}, false, "add /quiet"},
      {"session 0, window-mode removal", {"/uninstall:" + kReceipt}, false, "add /quiet"},
  };
  for (const auto& run : kRuns) {
    SCOPED_TRACE(run.name);
    InstallRig rig;
    PlacePackage(rig);
    rig.m.simProcess().SetWindowStationVisible(run.stationVisible);
    EXPECT_EQ(RunInstaller(rig.m, run.args), 87);
    EXPECT_THAT(rig.m.fs().ReadFile(kLog).value_or(""), HasSubstr(run.logged));
    EXPECT_TRUE(rig.m.simUi().MessageBoxes().empty());
    EXPECT_EQ(rig.m.simUi().DialogsOpened(IDD_MAIN), 0);
    EXPECT_TRUE(rig.m.simProcess().ErrorBoxesSuppressed());
  }
  // A second instance under /passive says so in the log only.
  auto first = m.process().CreateInstanceMutex(kInstanceMutexName).handle;
  EXPECT_EQ(Run({"/passive", "/driver:" + kReceipt}), exit_code::kAlreadyRunning);
  EXPECT_TRUE(m.simUi().MessageBoxes().empty());
  // In session 0 /quiet is what works.
  first.reset();
  m.simProcess().SetWindowStationVisible(false);
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:parallel"}), 0) << Log();
  ExpectNothingShown();
}

TEST_F(UnattendedRunTest, ASecondInstallerChangesNothing) {
  LayPackage();  // the first installer's work area
  auto first = m.process().CreateInstanceMutex(kInstanceMutexName).handle;
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:parallel"}), 1618);
  EXPECT_TRUE(m.spool().Printers().empty());
  EXPECT_TRUE(m.fs().Exists("C:\\Ticket")) << "the first installer's work area stays";
  EXPECT_EQ(Run({"/driver:" + kReceipt}), 1618);
  ASSERT_EQ(m.simUi().MessageBoxes().size(), 1u) << "the window mode says so in a box";
  first.reset();
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:parallel"}), 0) << Log();
  EXPECT_EQ(m.simProcess().MutexHolders(kInstanceMutexName), 0);
}

// A standard user's account, as the owner of what such a user makes.
const char* const kStandardUser = "S-1-5-21-3623811015-3361044348-30300820-1013";

// The mutex lives where only administrators make anything: a standard
// user's object of the Global name, open to all or not, keeps no installer
// out, and two installers still exclude each other.
TEST_F(UnattendedRunTest, AStandardUsersMutexKeepsNoInstallerOut) {
  for (bool openToAll : {true, false}) {
    auto squatter =
        m.simProcess().HoldGlobalMutex("Global\\PosPrinterDriverSetup", kStandardUser, openToAll);
    m.files().DeleteFileA(kLog);
    EXPECT_EQ(Run({"/quiet", "/list"}), 0) << Log();
    EXPECT_THAT(Log(), HasSubstr("instance mutex taken in the Administrators' private namespace"));
    auto first = m.process().CreateInstanceMutex(kInstanceMutexName);
    EXPECT_EQ(first.state, platform::InstanceMutexState::kCreated);
    EXPECT_EQ(Run({"/quiet", "/list"}), 1618) << Log();
    EXPECT_THAT(Log(),
                HasSubstr("held by another installer in the Administrators' private namespace"));
  }
  // A process that is no administrator takes nothing, and is told it must
  // be one, not that another installer runs.
  m.simProcess().SetElevated(false);
  EXPECT_EQ(Run({"/quiet", "/list"}), exit_code::kNotElevated) << Log();
}

// Where the system has no private namespaces, the Global name is used and
// its owner tells an installer's mutex from anyone else's: a list that
// refuses this administrator is an installer's of another administrator or
// of SYSTEM.
TEST_F(UnattendedRunTest, WithoutPrivateNamespacesTheMutexOwnerDecides) {
  m.simProcess().SetPrivateNamespaces(false);
  const struct {
    const char* owner;
    bool administratorsMayOpen;
    int code;
    const char* logged;
  } cases[] = {
      {platform::kSidSystem, false, 1618,
       "instance mutex in Global\\PosPrinterDriverSetup refuses this process (error 5)"},
      {platform::kSidSystem, true, 1618,
       "held by another installer in Global\\PosPrinterDriverSetup (owner S-1-5-18)"},
      {kStandardUser, true, 0,
       "belongs to S-1-5-21-3623811015-3361044348-30300820-1013, not to an installer"},
  };
  for (const auto& c : cases) {
    auto holder = m.simProcess().HoldGlobalMutex("Global\\PosPrinterDriverSetup", c.owner,
                                                 c.administratorsMayOpen);
    m.files().DeleteFileA(kLog);
    EXPECT_EQ(Run({"/quiet", "/list"}), c.code) << c.logged << "\n" << Log();
    EXPECT_THAT(Log(), HasSubstr(c.logged));
  }
  EXPECT_EQ(m.simProcess().MutexHolders(kInstanceMutexName), 0);
}

// A log file someone else could have put in place is not written: not
// through a link, not to a second name of another file, not to a file a
// standard user owns (and could read or forge). The run writes a file of
// its own beside it and says why in that file's first line.
TEST_F(UnattendedRunTest, ALogFileThatIsALinkOrSomeoneElsesIsLeftAlone) {
  const char* const kPrecious = "C:\\WINDOWS\\system32\\drivers\\etc\\hosts";
  const char* const kBeside = "C:\\Temp\\DriverSetup-4012.log";
  m.fs().WriteFile(kPrecious, "127.0.0.1 localhost\r\n");
  const struct {
    const char* name;
    std::function<void()> plant;
    std::string why;
  } cases[] = {
      {"link", [&] { m.fs().MakeLink(kLog, kPrecious); }, "is a link"},
      {"hard link", [&] { m.fs().MakeHardLink(kLog, kPrecious); },
       "has more than one name (hard links)"},
      {"owner",
       [&] {
         m.fs().WriteFile(kLog, "forged\r\n");
         m.fs().SetOwner(kLog, kStandardUser);
       },
       std::string("belongs to ") + kStandardUser},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    m.files().DeleteFileA(kLog);
    m.files().DeleteFileA(kBeside);
    c.plant();
    EXPECT_EQ(Run({"/quiet", "/list"}), 0);
    EXPECT_EQ(m.fs().ReadFile(kPrecious), "127.0.0.1 localhost\r\n");
    const std::string beside = m.fs().ReadFile(kBeside).value_or("");
    const std::string first = beside.substr(0, beside.find("\r\n"));
    EXPECT_THAT(first, HasSubstr(std::string("the log file C:\\Temp\\DriverSetup.log ") + c.why +
                                 ": not written to; this run's log is " + kBeside));
    EXPECT_THAT(beside, HasSubstr("exit code 0"));
  }
  EXPECT_EQ(m.fs().ReadFile(kLog), "forged\r\n");
  // A file of the administrators' is appended to as always.
  m.fs().SetOwner(kLog, platform::kSidAdministrators);
  EXPECT_EQ(Run({"/quiet", "/list"}), 0);
  EXPECT_THAT(Log(), HasSubstr("forged\r\n"));
  EXPECT_THAT(Log(), HasSubstr("exit code 0"));
}

TEST(RunLogBeside, TheProcessIdGoesBeforeTheExtension) {
  EXPECT_EQ(RunLog::BesidePath("C:\\Temp\\DriverSetup.log", 7), "C:\\Temp\\DriverSetup-7.log");
  EXPECT_EQ(RunLog::BesidePath("C:\\a.b\\setup", 7), "C:\\a.b\\setup-7");
  EXPECT_EQ(RunLog::BesidePath("C:\\logs\\.log", 7), "C:\\logs\\.log-7");
  EXPECT_EQ(RunLog::BesidePath("x.y.txt", 12), "x.y-12.txt");
}

// The runs with a monitoring thread or the start-up worker (ThreadSanitizer).
using UnattendedThreads = UnattendedRunTest;

TEST_F(UnattendedThreads, QuietSerialProbesAtTheAskedRate) {
  AddComPorts(3, 4);
  m.simComm().AttachPrinter(4, {.baudRate = 9600});
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:serial", "/baud:9600"}), 0) << Log();
  EXPECT_EQ(PrinterPort(kReceipt), "COM4:");
  EXPECT_THAT(Log(), HasSubstr("serial prompt -> Yes, 9600 bps"));
  ExpectNothingShown();
  LayPackage();
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:serial", "/force"}), 1796)
      << "nothing at 19200";
  EXPECT_TRUE(m.Leftovers().empty()) << m.Leftovers();
}

// Start-up scripts run the same command at every boot: an installed till
// stays as it is, even while its serial printer is switched off.
TEST_F(UnattendedThreads, ReRunsChangeNothing) {
  AddComPorts(3, 4);
  ASSERT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:serial=COM4"}), 0) << Log();
  const int stops = m.svc().Stops("Spooler");
  LayPackage();
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:serial"}), 0) << Log();
  EXPECT_EQ(PrinterPort(kReceipt), "COM4:");
  EXPECT_EQ(m.spool().Printer(kReceipt)->purges, 0u) << "not deleted and re-created";
  EXPECT_EQ(m.svc().Stops("Spooler"), stops);
  EXPECT_EQ(m.simComm().OpenOrder(), std::vector<int>{}) << "no search";
  EXPECT_THAT(Log(), HasSubstr("already installed: printer"));
  // Another named port is not "as asked": the run installs again.
  LayPackage();
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:serial=COM3"}), 0) << Log();
  EXPECT_EQ(PrinterPort(kReceipt), "COM3:");
  const int stopsAfterReinstall = m.svc().Stops("Spooler");

  LayPackage();
  EXPECT_EQ(Run({"/quiet", "/uninstall:" + kLabel}), 0) << Log();
  EXPECT_THAT(Log(), HasSubstr("nothing to remove: no printer"));
  EXPECT_EQ(m.svc().Stops("Spooler"), stopsAfterReinstall);
  EXPECT_EQ(PrinterPort(kReceipt), "COM3:");
}

// Deployment tools kill a hung installer and its log stops mid-step: the
// run ends first, says where it was, and leaves the till as a cancelled
// run would.
TEST_F(UnattendedThreads, ASearchPastTheTimeLimitEndsTheRun) {
  AddComPorts(1, 90);  // 90 probes of 0.7 s: longer than a minute
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:serial", "/timeout:1"}),
            exit_code::kTimedOut)
      << Log();
  EXPECT_THAT(Log(), HasSubstr("failure: the time limit of 1 min has passed; the run was at: "));
  EXPECT_THAT(Log(), HasSubstr("(serial search, port "));
  EXPECT_FALSE(m.fs().Exists("C:\\Ticket"));
  EXPECT_TRUE(m.Leftovers().empty()) << m.Leftovers();
  EXPECT_LT(m.simClock().NowMs(), 62000u);
}

// A detection rule must not see a printer that a failed run left behind.
TEST_F(UnattendedThreads, AFailedInstallRemovesThePrinterItCreated) {
  AddComPorts(3, 4);
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:serial"}), 1796) << Log();
  EXPECT_TRUE(m.spool().Printers().empty()) << Log();
  EXPECT_THAT(Log(),
              HasSubstr("this run created is removed (the window would have left it on COM"));
}

TEST_F(UnattendedThreads, ANamedComPortIsTheOnlyOneOpened) {
  AddComPorts(3, 4);
  m.simComm().AttachPrinter(3, {});
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:serial=COM4"}), 0) << Log();
  EXPECT_EQ(PrinterPort(kReceipt), "COM4:");
  EXPECT_EQ(m.simComm().OpenOrder(), std::vector<int>{}) << "no probing, no prompt";
  EXPECT_THAT(Log(), Not(HasSubstr("serial prompt")));
}

TEST_F(UnattendedRunTest, TheOnlyComPortIsSetToTheAskedRate) {
  AddComPorts(3, 3);
  EXPECT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:serial", "/baud:9600"}), 0) << Log();
  EXPECT_EQ(PrinterPort(kReceipt), "COM3:");
  const auto settings = m.reg().GetValue(platform::kHkeyLocalMachine, kPortsKey, "COM3:");
  EXPECT_EQ(settings.value_or(sim::RegValue{}).AsString(), "9600,n,8,1");
}

TEST_F(UnattendedThreads, AWindowedRunReportsItsOwnSerialSearchThatFoundNoPrinter) {
  AddComPorts(3, 4);
  m.simUi().Script(IDD_SERIAL_PROMPT, [](sim::UserActions& u) { u.Click(IDC_PROMPT_YES); });
  // The search runs on the window's timers once the click is handled; the
  // person closes the window when it has ended.
  m.simUi().Script(IDD_MAIN, [](sim::UserActions& u) { u.Click(IDC_INSTALL); });
  EXPECT_EQ(Run({"/driver:" + kReceipt, "/port:serial", std::string("/log:") + kLog}),
            exit_code::kNoPortOfKind)
      << Log();
  EXPECT_THAT(Log(), HasSubstr("status: Cannot select a available port"));
}

// In the window the person's last Install run decides: one that retries a
// failed driver registration and succeeds has installed the printer.
TEST_F(UnattendedThreads, AWindowedRunThatRetriesTheDriverAndSucceedsEndsWell) {
  m.faults().Fail("AddPrinterDriverExA", win::ERROR_ACCESS_DENIED, {.times = 1});
  m.simUi().AnswerMessageBoxes({win::IDRETRY});
  m.simUi().Script(IDD_MAIN, [](sim::UserActions& u) {
    u.Click(IDC_INSTALL);
    u.Click(IDC_INSTALL);
  });
  EXPECT_EQ(Run({"/driver:" + kReceipt, "/port:parallel", std::string("/log:") + kLog}), 0)
      << Log();
  EXPECT_EQ(PrinterPort(kReceipt), "LPT1:");
}

TEST_F(UnattendedThreads, PassiveInstallsInTheShownWindowWhichClosesItself) {
  EXPECT_EQ(Run({"/passive", "/driver:" + kReceipt, "/port:parallel", "/nodefault"}), 0) << Log();
  EXPECT_EQ(PrinterPort(kReceipt), "LPT1:");
  EXPECT_EQ(m.simUi().DialogResults(IDD_MAIN), std::vector<std::intptr_t>{win::IDOK});
  EXPECT_EQ(m.simUi().Statuses(IDD_MAIN, IDC_STATUS).back(), "The installation is completed.");
  EXPECT_TRUE(m.simUi().MessageBoxes().empty());
  EXPECT_TRUE(m.simUi().Errors().empty()) << m.simUi().Dump();
  EXPECT_EQ(DeviceValue().value_or(""), "") << "/nodefault";
}

TEST_F(UnattendedRunTest, WithoutQuietOrPassiveTheUserFindsTheChoicesFilledIn) {
  m.simUi().Script(IDD_MAIN, [&](sim::UserActions& u) {
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), kLabel);
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), Parallel);
    EXPECT_FALSE(u.IsChecked(IDC_SET_DEFAULT));
    u.Click(win::IDCANCEL);
  });
  EXPECT_EQ(Run({"/driver:" + kLabel, "/port:parallel", "/nodefault"}), 1223);
  EXPECT_TRUE(m.spool().Printers().empty());
  EXPECT_FALSE(m.fs().Exists(kLog)) << "no log unless asked for";
  EXPECT_FALSE(m.simProcess().ErrorBoxesSuppressed()) << "a person is there to see them";
}

TEST_F(UnattendedRunTest, QuietListAndUninstall) {
  ASSERT_EQ(Run({"/quiet", "/driver:" + kReceipt, "/port:parallel"}), 0);
  m.spool().AddPrinter("Office", "LPT1:", "Generic");
  LayPackage();  // as the next run's unpacking would
  m.simProcess().SetConsole(true);
  EXPECT_EQ(Run({"/quiet", "/list"}), 0);
  // A script reads the console's lines as they are; the log stamps them.
  const std::string console = m.simProcess().ConsoleText();
  const std::string printerLine =
      "printer\t" + kReceipt + "\tLPT1:\t" + m.spool().Printer(kReceipt)->driver + "\r\n";
  EXPECT_THAT(console, HasSubstr("\n" + printerLine));
  EXPECT_THAT(console, HasSubstr("\ndriver name\t" + kLabel + "\r\n"));
  EXPECT_THAT(Log(), HasSubstr("[4012] " + printerLine));
  EXPECT_THAT(console, Not(HasSubstr("Office"))) << "only the family's printers";
  EXPECT_EQ(Run({"/quiet", "/uninstall:" + kReceipt, "/norestart"}), 0) << Log();
  EXPECT_FALSE(m.spool().Printer(kReceipt).has_value());
  EXPECT_TRUE(m.spool().Drivers("Windows NT x86").empty());
  EXPECT_THAT(Log(), HasSubstr("service Spooler: stop, start -> running"));
  EXPECT_THAT(Log(),
              HasSubstr("driver \"" + kReceipt + "\" removed from \"Windows NT x86\": done"));
}

}  // namespace
