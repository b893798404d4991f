#pragma once

class MainWindow;

void InstallReceiptDriver(MainWindow& window);
