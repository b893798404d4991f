#pragma once

struct Installation;
class InstallerWindow;

void InstallLabelDriver(Installation& installation, InstallerWindow& window);
