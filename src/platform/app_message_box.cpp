#include "platform/app_message_box.h"

#include "platform/win_constants.h"

namespace platform {

uint32_t AppMessageBoxType(uint32_t type) {
  if ((type & win::MB_ICONMASK) != 0) return type;
  switch (type & win::MB_TYPEMASK) {
    case win::MB_OK:
    case win::MB_OKCANCEL:
    case win::MB_YESNO:
    case win::MB_YESNOCANCEL:
      return type | win::MB_ICONEXCLAMATION;
    default:
      return type;
  }
}

int AppMessageBox(Machine& machine, WindowId owner, const std::string& text, uint32_t type) {
  return machine.ui().MessageBoxA(owner, text, machine.system().ApplicationTitle(),
                                  AppMessageBoxType(type));
}

}  // namespace platform
