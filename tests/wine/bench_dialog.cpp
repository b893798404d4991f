// The yardstick of the start-up benchmark: a bare dialog of the installer's
// size that enables its button as soon as it is initialised, built and
// linked like the installer.
#include "bench_dialog.h"

int main() {
  bench::RunDialog([](HWND dialog) { EnableWindow(GetDlgItem(dialog, bench::kButton), TRUE); });
  return 0;
}
