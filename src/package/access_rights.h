#pragma once

#include <string>

#include "platform/machine.h"

// Gives the Administrators group full control of the key `keyName` below
// `root`. 1 when the new access entry is in place, else 0.
int GrantAdministratorsFullControl(platform::Machine& machine, platform::KeyHandle root,
                                   const std::string& keyName);
