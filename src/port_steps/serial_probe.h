// Probing one serial port for a printer, and recording a settled port's
// line settings in the system's table of port settings.
#pragma once

#include <cstdint>
#include <string>

struct Installation;
class InstallerWindow;

// The status requests of the two printer families.
inline constexpr uint8_t kStatusRequestReceipt[3] = {0x10, 0x04, 0x01};  // DLE EOT 1
inline constexpr uint8_t kStatusRequestLabel[3] = {0x1B, 0x21, 0x3F};    // ESC ! ?
// The channel's write buffer for a probe.
inline constexpr uint32_t kProbeWriteBufferSize = 512;

// The number of a serial port list entry ("COM12:" gives 12); 0 for an
// entry without a colon. The characters between the three-letter prefix and
// the colon are read as decimal digits without being checked.
int32_t ParseComPortNumber(const std::string& entry);
// Opens the window's serial channel on probePortNumber with the window's
// line settings and starts its monitoring. True when both succeeded; when
// only the opening did, the caller closes the channel.
bool ProbeSerialPort(Installation& installation, InstallerWindow& window);
// Queues the status request of the installed model's family.
void SendStatusRequest(Installation& installation);
// Records the window's line settings under the port's name (colon
// included) in the Ports key; a failed write is reported in a message box.
void WriteComPortSettings(Installation& installation, InstallerWindow& window,
                          const std::string& entry);
// The Ports value text: "9600,n,8,1".
std::string ComPortSettingsText(int32_t baudRate, int32_t parity, int32_t dataBits,
                                int32_t stopBits);
