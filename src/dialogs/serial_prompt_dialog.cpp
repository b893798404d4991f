#include "dialogs/serial_prompt_dialog.h"

#include <string>

#include "platform/win_constants.h"
#include "ports/port_kind.h"
#include "resources/resource.h"

SerialPromptDialog::SerialPromptDialog(platform::Machine& machine)
    : platform::Dialog(machine.ui()), machine_(machine) {}

bool SerialPromptDialog::OnInitDialog() {
  platform::WindowSystem& controls = ui();
  controls.ComboResetContent(hwnd(), IDC_BAUD_RATE);
  for (int32_t rate : kSerialBaudRates) {
    controls.ComboAddString(hwnd(), IDC_BAUD_RATE, std::to_string(rate));
  }
  controls.ComboSetCurSel(hwnd(), IDC_BAUD_RATE, kDefaultBaudRow);
  // The system puts the focus on the first tab stop, "&Yes".
  return true;
}

void SerialPromptDialog::OnCommand(int id, int /*notifyCode*/) {
  switch (id) {
    case IDC_PROMPT_YES: {
      int row = ui().ComboGetCurSel(hwnd(), IDC_BAUD_RATE);
      // A drop-down list always keeps a selection once one was made; should
      // it have none, the rate offered at opening is the one the user saw.
      if (row < 0 || row >= kSerialBaudRateCount) row = kDefaultBaudRow;
      ui().EndDialog(hwnd(), RESULT_ROW_BASE + row);
      break;
    }
    case IDC_PROMPT_NO:
      ui().EndDialog(hwnd(), RESULT_CANCEL);
      break;
    case win::IDCANCEL:  // Escape
      ui().EndDialog(hwnd(), win::IDCANCEL);
      break;
    default:
      break;
  }
}

void SerialPromptDialog::OnClose() { ui().EndDialog(hwnd(), win::IDCANCEL); }

std::intptr_t ShowSerialPrompt(platform::Machine& machine, platform::WindowId owner) {
  SerialPromptDialog dialog(machine);
  return machine.ui().DialogBoxParamA(IDD_SERIAL_PROMPT, owner, dialog);
}
