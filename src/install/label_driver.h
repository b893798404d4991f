#pragma once

class MainWindow;

void InstallLabelDriver(MainWindow& window);
