#include "port_steps/serial_probe.h"

#include <cstdio>

#include "installation/installer_window.h"
#include "platform/app_message_box.h"
#include "platform/registry.h"
#include "platform/win_constants.h"

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

bool ProbeSerialPort(Installation& installation, InstallerWindow& window) {
  if (!installation.serialChannel.Open(
          window.Owner(), installation.probePortNumber, installation.baudRate,
          static_cast<char>(installation.parity), installation.dataBits, installation.stopBits,
          static_cast<uint32_t>(installation.commEventMask), kProbeWriteBufferSize)) {
    return false;
  }
  return installation.serialChannel.StartMonitoring();
}

void SendStatusRequest(Installation& installation) {
  const int32_t receiptRows = installation.receiptGroup1Size + installation.receiptGroup2Size +
                              installation.receiptGroup3Size + installation.receiptGroup4Size;
  const uint8_t* request =
      installation.modelIndex < receiptRows ? kStatusRequestReceipt : kStatusRequestLabel;
  installation.serialChannel.Write(request, 3);
}

std::string ComPortSettingsText(int32_t baudRate, int32_t parity, int32_t dataBits,
                                int32_t stopBits) {
  char text[64];
  std::snprintf(text, sizeof text, "%d,%c,%d,%d", static_cast<int>(baudRate),
                static_cast<char>(parity + 32), static_cast<int>(dataBits),
                static_cast<int>(stopBits));
  return text;
}

void WriteComPortSettings(Installation& installation, InstallerWindow& window,
                          const std::string& entry) {
  platform::Machine& machine = installation.machine;
  const std::string data = ComPortSettingsText(installation.baudRate, installation.parity,
                                               installation.dataBits, installation.stopBits);
  platform::ScopedKey key(machine.registry());
  if (machine.registry().RegOpenKeyExA(platform::kHkeyLocalMachine, kPortsKey, win::KEY_SET_VALUE,
                                       key.handle()) != win::ERROR_SUCCESS) {
    return;
  }
  if (machine.registry().RegSetValueExA(key.get(), entry, win::REG_SZ, data.c_str(),
                                        static_cast<uint32_t>(data.size() + 1)) !=
      win::ERROR_SUCCESS) {
    window.ShowAppMessageBox(kSettingsWriteFailed, win::MB_OK);
  }
}
