#pragma once

class MainWindow;

// Binds the new printer to the USB port on which it is on line.
void SelectUsbPort(MainWindow& window);
