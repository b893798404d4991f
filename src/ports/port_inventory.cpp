#include "ports/port_inventory.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/win_constants.h"

namespace {

constexpr uint32_t kSerialValueBufferSize = 128;
constexpr const char kSerialCommKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr const char kDevicePrefix[] = "\\Device\\";

// A string from a buffer that need not hold a terminating zero.
std::string BoundedString(const char* buffer, uint32_t length) {
  const uint32_t limit = std::min(length, kSerialValueBufferSize);
  return std::string(buffer, std::find(buffer, buffer + limit, '\0'));
}

bool StartsWith(const std::string& text, const char* prefix) {
  const size_t length = std::strlen(prefix);
  return text.size() >= length && text.compare(0, length, prefix) == 0;
}

}  // namespace

bool IsTcpIpPortDescription(const std::string& description) {
  // The monitor's description on English and on Simplified Chinese systems
  // (code page 936).
  static const std::string kEnglish = "Standard TCP/IP Port";
  static const std::string kChinese = "\xB1\xEA\xD7\xBC TCP/IP \xB6\xCB\xBF\xDA";
  return description == kEnglish || description == kChinese;
}

bool IsListedUsbPort(const platform::PortInfo2& port) { return StartsWith(port.portName, "USB"); }

bool IsListedTcpIpPort(const platform::PortInfo2& port) {
  return !IsListedUsbPort(port) && IsTcpIpPortDescription(port.description);
}

bool IsListedParallelPort(const platform::PortInfo2& port) {
  return StartsWith(port.portName, "LPT") && !IsTcpIpPortDescription(port.description);
}

int IndexInList(const std::vector<std::string>& ports, int row, const std::string& portName) {
  if (row >= 0 && static_cast<std::size_t>(row) < ports.size() && ports[row] == portName) {
    return row;
  }
  for (std::size_t i = 0; i < ports.size(); ++i) {
    if (ports[i] == portName) return static_cast<int>(i);
  }
  return -1;
}

int SerialPortInventory(platform::Machine& machine, std::vector<std::string>& list) {
  list.clear();
  platform::Registry& registry = machine.registry();
  platform::ScopedKey key(registry);
  if (registry.RegOpenKeyExA(platform::kHkeyLocalMachine, kSerialCommKey, win::KEY_READ,
                             key.handle()) != win::ERROR_SUCCESS) {
    return 0;
  }
  for (uint32_t index = 0;; ++index) {
    char name[kSerialValueBufferSize] = {};
    char data[kSerialValueBufferSize] = {};
    uint32_t nameSize = kSerialValueBufferSize;
    uint32_t dataSize = kSerialValueBufferSize;
    const uint32_t status =
        registry.RegEnumValueA(key.get(), index, name, &nameSize, nullptr, data, &dataSize);
    if (status == win::ERROR_MORE_DATA) {
      // A name or device name that does not fit is skipped: cut short it
      // would name another port.
      continue;
    }
    // Any other failure ends the enumeration as the end of the list does;
    // going on to the next index could repeat the failure forever.
    if (status != win::ERROR_SUCCESS) break;
    const std::string valueName = BoundedString(name, nameSize);
    if (!StartsWith(valueName, kDevicePrefix)) continue;
    const std::string device = BoundedString(data, dataSize);
    if (device.empty()) continue;
    list.push_back(device + ":");
  }
  return list.empty() ? 0 : 1;
}

int InstalledPrinterInventory(platform::Machine& machine, std::vector<std::string>& names,
                              std::vector<std::string>& ports) {
  std::vector<platform::PrinterInfo2> printers;
  if (!machine.spooler().EnumPrintersA(win::PRINTER_ENUM_LOCAL | win::PRINTER_ENUM_CONNECTIONS,
                                       printers)) {
    return 0;
  }
  names.clear();
  ports.clear();
  for (const platform::PrinterInfo2& printer : printers) {
    names.push_back(printer.printerName);
    ports.push_back(printer.portName);
  }
  return names.empty() ? 0 : 1;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}
