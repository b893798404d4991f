#include "platform/comm.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/comm_constants.h"
#include "platform/win_constants.h"

namespace platform {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool ParseUnsigned(const std::string& text, uint32_t& value) {
  if (text.empty() || text.size() > 9) return false;
  uint32_t result = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + static_cast<uint32_t>(c - '0');
  }
  value = result;
  return true;
}

}  // namespace

std::string CommErrorMessage(uint32_t errorCode) {
  switch (errorCode) {
    case win::ERROR_FILE_NOT_FOUND:
      return "The system cannot find the file specified.\r\n";
    case win::ERROR_ACCESS_DENIED:
      return "Access is denied.\r\n";
    case win::ERROR_INVALID_HANDLE:
      return "The handle is invalid.\r\n";
    case win::ERROR_GEN_FAILURE:
      return "A device attached to the system is not functioning.\r\n";
    case win::ERROR_NOT_SUPPORTED:
      return "The request is not supported.\r\n";
    case win::ERROR_INVALID_PARAMETER:
      return "The parameter is incorrect.\r\n";
    case win::ERROR_OPERATION_ABORTED:
      return "The I/O operation has been aborted because of either a thread exit or an "
             "application request.\r\n";
    case win::ERROR_IO_INCOMPLETE:
      return "Overlapped I/O event is not in a signaled state.\r\n";
    case win::ERROR_IO_PENDING:
      return "Overlapped I/O operation is in progress.\r\n";
    default:
      return std::string();
  }
}

bool ParseCommDefinition(const std::string& definition, Dcb& dcb) {
  // Work on a copy so that a bad definition leaves the caller's record as it was.
  Dcb result = dcb;
  std::istringstream words(definition);
  std::string word;
  bool any = false;
  while (words >> word) {
    const size_t equals = word.find('=');
    if (equals == std::string::npos) return false;
    const std::string key = Lower(word.substr(0, equals));
    const std::string value = Lower(word.substr(equals + 1));
    uint32_t number = 0;
    if (key == "baud") {
      if (!ParseUnsigned(value, number) || number == 0) return false;
      result.BaudRate = number;
    } else if (key == "parity") {
      static const std::string kLetters = "noems";
      if (value.size() != 1 || kLetters.find(value[0]) == std::string::npos) return false;
      result.Parity = static_cast<uint8_t>(kLetters.find(value[0]));
      result.fParity = result.Parity != win::NOPARITY ? 1 : 0;
    } else if (key == "data") {
      if (!ParseUnsigned(value, number) || number < 5 || number > 8) return false;
      result.ByteSize = static_cast<uint8_t>(number);
    } else if (key == "stop") {
      if (value == "1") {
        result.StopBits = win::ONESTOPBIT;
      } else if (value == "1.5") {
        result.StopBits = win::ONE5STOPBITS;
      } else if (value == "2") {
        result.StopBits = win::TWOSTOPBITS;
      } else {
        return false;
      }
    } else {
      return false;
    }
    any = true;
  }
  if (!any) return false;
  dcb = result;
  return true;
}

int CommDeviceNumber(const std::string& name) {
  std::string rest = name;
  if (rest.rfind("\\\\.\\", 0) == 0) rest = rest.substr(4);
  if (rest.size() < 4 || Lower(rest.substr(0, 3)) != "com") return -1;
  uint32_t number = 0;
  if (!ParseUnsigned(rest.substr(3), number) || number == 0 || number > 255) return -1;
  return static_cast<int>(number);
}

}  // namespace platform
