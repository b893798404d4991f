#pragma once

#include <cstdint>

struct Installation;
class InstallerWindow;

// The port-type row chosen at start-up from the port lists: USB, then
// serial, parallel, TCP/IP, and serial when there is no port at all.
int32_t DefaultPortKind(const Installation& installation);

// Sets isWow64 and writes the "Current Systems is " line.
void EnvironmentProbe(Installation& installation, InstallerWindow& window);

// The seven start-up steps, run on the worker thread.
void StartupWorker(Installation& installation, InstallerWindow& window);
