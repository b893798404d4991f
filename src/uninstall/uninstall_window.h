#pragma once

class MainWindow;

// "&Uninstall Printer Driver": the uninstall window, modal over the main window.
void OpenUninstallWindow(MainWindow& window);
