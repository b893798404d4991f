#pragma once

#include <cstdint>

struct Installation;
class InstallerWindow;

// The window timer that paces the probing.
inline constexpr std::uintptr_t kSerialProbeTimer = 1;

// After a serial printer was created: prompt, park, probe (first pass).
void StartSerialAssignment(Installation& installation, InstallerWindow& window);
// The main window's WM_TIMER handler.
void SerialProbeTick(Installation& installation, InstallerWindow& window, std::uintptr_t timerId);
// The main window is being destroyed: a search still under way stops, its
// port is closed and the printers parked for it get their ports back.
void AbandonSerialAssignment(Installation& installation, InstallerWindow& window);
// The serial channel's notifications to the window that runs the search
// (WM_SERIALDATA, WM_SERIALERROR): false for any other message.
bool OnSerialNotification(Installation& installation, InstallerWindow& window, uint32_t message);
