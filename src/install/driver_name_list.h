#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/machine.h"

struct Installation;
class InstallerWindow;

inline constexpr const char* kDriverNameFile = "C:\\DriverName.cfg";

// Walks "C:\DriverName.cfg" as both the combo box fill and the lookup do:
// calls `visit` with the section's position and each name, in file order.
void WalkDriverNameFile(platform::Machine& machine,
                        const std::function<void(int32_t section, const std::string& name)>& visit);
// Reads the names and has the window show them (ShowDriverNames).
void DriverNameList(Installation& installation, InstallerWindow& window);
// The catalogue row of `name`: the position of the last section holding it,
// or `keepRow` when no section does.
int32_t LookupDriverName(platform::Machine& machine, const std::string& name, int32_t keepRow);
