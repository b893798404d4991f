// The application-wide message box: captioned with the application's title
// (the executable's name without its extension). When the caller asks for no
// icon, OK, OK/Cancel, Yes/No and Yes/No/Cancel boxes get the exclamation
// icon; Retry/Cancel and Abort/Retry/Ignore boxes stay without one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/machine.h"

namespace platform {

// The type actually shown for a requested `type`.
uint32_t AppMessageBoxType(uint32_t type);

// Shows the box modal to `owner`, the window running the operation that
// asks (the main window, or the dialog on top of it): while it is up, that
// window takes no clicks that could start another operation. Returns the
// button pressed.
int AppMessageBox(Machine& machine, WindowId owner, const std::string& text, uint32_t type);

}  // namespace platform
