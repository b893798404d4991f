#include "ports/serial_probe.h"

#include <cstdio>

#include "platform/app_message_box.h"
#include "platform/registry.h"
#include "platform/win_constants.h"
#include "shell/main_window.h"

namespace {

constexpr const char* kPortsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
// "Error", a full-width colon (code page 936: A3 BA), "Failed to set Registry".
constexpr const char* kSettingsWriteFailed =
    "Error\xA3\xBA"
    "Failed to set Registry";

}  // namespace

int32_t ParseComPortNumber(const std::string& entry) {
  const std::size_t colon = entry.find(':');
  if (colon == std::string::npos || colon <= 3) return 0;
  // Unsigned arithmetic: an over-long or odd entry gives a number no port
  // has, never undefined behaviour.
  uint32_t value = 0;
  for (std::size_t i = 3; i < colon; ++i) {
    value = value * 10u + static_cast<uint32_t>(static_cast<unsigned char>(entry[i]) - '0');
  }
  return static_cast<int32_t>(value);
}

bool ProbeSerialPort(MainWindow& window) {
  if (!window.serialChannel.Open(window.hwnd(), window.probePortNumber, window.baudRate,
                                 static_cast<char>(window.parity), window.dataBits, window.stopBits,
                                 static_cast<uint32_t>(window.commEventMask),
                                 kProbeWriteBufferSize)) {
    return false;
  }
  return window.serialChannel.StartMonitoring();
}

void SendStatusRequest(MainWindow& window) {
  const int32_t receiptRows = window.receiptGroup1Size + window.receiptGroup2Size +
                              window.receiptGroup3Size + window.receiptGroup4Size;
  const uint8_t* request =
      window.modelIndex < receiptRows ? kStatusRequestReceipt : kStatusRequestLabel;
  window.serialChannel.Write(request, 3);
}

std::string ComPortSettingsText(int32_t baudRate, int32_t parity, int32_t dataBits,
                                int32_t stopBits) {
  char text[64];
  std::snprintf(text, sizeof text, "%d,%c,%d,%d", static_cast<int>(baudRate),
                static_cast<char>(parity + 32), static_cast<int>(dataBits),
                static_cast<int>(stopBits));
  return text;
}

void WriteComPortSettings(MainWindow& window, const std::string& entry) {
  platform::Machine& machine = window.machine;
  const std::string data =
      ComPortSettingsText(window.baudRate, window.parity, window.dataBits, window.stopBits);
  platform::ScopedKey key(machine.registry());
  if (machine.registry().RegOpenKeyExA(platform::kHkeyLocalMachine, kPortsKey, win::KEY_SET_VALUE,
                                       key.handle()) != win::ERROR_SUCCESS) {
    return;
  }
  if (machine.registry().RegSetValueExA(key.get(), entry, win::REG_SZ, data.c_str(),
                                        static_cast<uint32_t>(data.size() + 1)) !=
      win::ERROR_SUCCESS) {
    platform::AppMessageBox(machine, window.hwnd(), kSettingsWriteFailed, win::MB_OK);
  }
}
