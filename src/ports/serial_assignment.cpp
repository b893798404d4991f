#include "ports/serial_assignment.h"

void StartSerialAssignment(MainWindow&) {}

void SerialProbeTick(MainWindow&, std::uintptr_t) {}
