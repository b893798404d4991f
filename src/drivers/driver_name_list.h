#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/machine.h"

inline constexpr const char* kDriverNameFile = "C:\\DriverName.cfg";

// Walks "C:\DriverName.cfg" as both the combo box fill and the lookup do:
// calls `visit` with the section's position and each name, in file order.
void WalkDriverNameFile(platform::Machine& machine,
                        const std::function<void(int32_t section, const std::string& name)>& visit);
// The list's names in file order, as the driver combo box shows them.
std::vector<std::string> DriverNameList(platform::Machine& machine);
// The catalogue row of `name`: the position of the last section holding it,
// or `keepRow` when no section does.
int32_t LookupDriverName(platform::Machine& machine, const std::string& name, int32_t keepRow);
