#pragma once

#include <cstdint>

class MainWindow;

// After a serial printer was created: prompt, park, probe (first pass).
void StartSerialAssignment(MainWindow& window);
// The main window's WM_TIMER handler.
void SerialProbeTick(MainWindow& window, std::uintptr_t timerId);
// The main window is being destroyed: a search still under way stops, its
// port is closed and the printers parked for it get their ports back.
void AbandonSerialAssignment(MainWindow& window);
