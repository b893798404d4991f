#pragma once

#include <string>

#include "platform/machine.h"

// The name under which the named-security functions know the key `keyName`
// below the predefined root `root`: "MACHINE\...", "CURRENT_USER\...",
// "CLASSES_ROOT\...", "USERS\..."; HKEY_CURRENT_CONFIG maps to the current
// hardware profile below "MACHINE\". Leading and trailing backslashes of the
// path are dropped. Empty when `root` is not a predefined root or the path is
// empty.
std::string RegistryObjectName(platform::KeyHandle root, const std::string& keyName);

// Gives the Administrators group (named by its SID) full control of the key `keyName` below
// `root`, keeping the other entries of its access list. 1 when the new access
// entry is in place, else 0 (also when `root` is a key opened earlier rather
// than a predefined root, since its object name cannot be formed).
int GrantAdministratorsFullControl(platform::Machine& machine, platform::KeyHandle root,
                                   const std::string& keyName);

// Enables SeLoadDriverPrivilege in the process token, which the spooler wants
// of whoever adds or deletes printers and drivers. A failure is silent: the
// spooler's own answer tells whether the privilege was needed.
void EnableLoadDriverPrivilege(platform::Security& security);
