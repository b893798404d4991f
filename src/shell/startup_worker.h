#pragma once

class MainWindow;

// The seven start-up steps, run on the worker thread.
void StartupWorker(MainWindow& window);
