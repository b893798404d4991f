#pragma once

#include <cstdint>

class MainWindow;

// RESULT_ROW_BASE + row, RESULT_CANCEL, or RESULT_PORT_ADDED.
int32_t ChooseTcpIpPort(MainWindow& window);
// RESULT_ROW_BASE + row or RESULT_CANCEL.
int32_t ChooseParallelPort(MainWindow& window);
