// The main installer window, "Configure & Install": one modal dialog that owns
// all state of an installation run. The operations of the installer are free
// functions over it (see the headers of shell/, package/, install/, ports/),
// reading and writing its members directly.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "package/archive_library.h"
#include "platform/machine.h"
#include "ports/serial_channel.h"
#include "shell/app.h"
#include "shell/port_kind.h"

using StringList = std::vector<std::string>;

// The port-type list's extended style: grid lines and full-row select on,
// track-select off, every other bit of `current` kept.
uint32_t PortTypeListStyle(uint32_t current);

class MainWindow : public platform::Dialog {
 public:
  explicit MainWindow(App& app);
  ~MainWindow() override;

  App& app;
  platform::Machine& machine;

  // Declared in this order; destroyed in reverse (the archive library last).
  ArchiveLibrary archiveLibrary;
  StringList allPorts;
  StringList usbPorts;
  StringList serialPorts;
  StringList parallelPorts;
  StringList tcpipPorts;
  StringList printerNames;
  StringList printerPorts;
  int32_t setDefaultPrinter = 1;
  std::string statusText;
  int32_t receiptGroup4Size = 25;
  int32_t receiptGroup3Size = 5;
  int32_t receiptGroup2Size = 7;
  int32_t receiptGroup1Size = 15;
  int32_t labelGroupSize = 5;
  int32_t modelIndex = -1;
  int32_t portKind = Serial;
  SerialChannel serialChannel;
  int32_t baudRate = 19200;
  std::string chosenPort;
  bool isWow64 = false;
  int32_t serialReplySeen = 0;
  int32_t probePortNumber = 0;
  int32_t parity = 78;
  int32_t dataBits = 8;
  int32_t stopBits = 1;
  int32_t commEventMask = 3;
  int32_t probeIndex = 0;

  // --- Helpers shared by every operation ---
  // Sends "MyUpdateData" (0, 0): the status line shows statusText and the
  // check box setDefaultPrinter. Synchronous from any thread.
  void Refresh();
  // statusText := text, then Refresh.
  void SetStatus(const std::string& text);
  void SetProgress(int position);
  // Data exchange: true reads the controls into the data, false the reverse.
  void UpdateData(bool fromControls);
  // The Driver Name combo box's text: the printer name.
  std::string DriverComboText();
  void EnableInstall(bool enable = true);
  void SetInstallText(const std::string& text);
  void SetCancelText(const std::string& text);
  // Ends the dialog with `result` (IDOK after reading the dialog data).
  void Close(std::intptr_t result);
  // Runs `work` on the window's own thread while the caller waits: one
  // synchronous send however many control operations `work` makes. From the
  // start-up worker every send to a control is a round trip between the two
  // threads; a step that drives several controls makes one. On the window's
  // thread `work` simply runs. Nothing runs once the window is gone.
  void OnWindowThread(const std::function<void()>& work);

  // True once the window is being destroyed; the start-up worker stops at
  // its next step then.
  bool Closing() const { return closing_.load(); }

  // --- Message handling ---
  bool OnInitDialog() override;
  void OnCommand(int id, int notifyCode) override;
  void OnTimer(std::uintptr_t timerId) override;
  void OnClose() override;
  void OnDestroy() override;
  bool OnMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam,
                 platform::LResult& result) override;

 private:
  void FillPortTypeList();

  std::atomic<bool> closing_{false};
  std::unique_ptr<platform::Thread> startupWorker_;
};
