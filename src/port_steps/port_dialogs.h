#pragma once

#include <cstdint>

struct Installation;
class InstallerWindow;

// RESULT_ROW_BASE + row, RESULT_CANCEL, or RESULT_PORT_ADDED.
int32_t ChooseTcpIpPort(Installation& installation, InstallerWindow& window);
// RESULT_ROW_BASE + row or RESULT_CANCEL.
int32_t ChooseParallelPort(Installation& installation, InstallerWindow& window);
