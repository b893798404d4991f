#pragma once

class MainWindow;

// A click on Install.
void InstallCommand(MainWindow& window);
