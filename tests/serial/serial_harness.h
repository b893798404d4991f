// A window that records what a serial channel sends it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "checked_machine.h"
#include "platform/win_constants.h"
#include "ports/serial_channel.h"
#include "resources/resource.h"
#include "shell/port_kind.h"

namespace serial_test {

struct Notification {
  uint32_t message;
  platform::WParam wParam;
  platform::LParam lParam;
  bool operator==(const Notification&) const = default;
};

class OwnerWindow : public platform::Dialog {
 public:
  using platform::Dialog::Dialog;
  std::vector<Notification> received;

  bool OnMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam,
                 platform::LResult& result) override {
    if (message < win::WM_USER) return false;
    received.push_back({message, wParam, lParam});
    result = 0;
    return true;
  }
  void OnClose() override { ui().EndDialog(hwnd(), 0); }

  // Runs `body` on the window's thread, then lets the window close.
  void Run(sim::SimMachine& m, const std::function<void(sim::UserActions&)>& body) {
    m.simUi().Script(IDD_SERIAL_PROMPT, [&](sim::UserActions& u) {
      body(u);
      u.CloseBox();
    });
    m.ui().DialogBoxParamA(IDD_SERIAL_PROMPT, 0, *this);
  }
  // The received bytes, in order.
  std::vector<platform::WParam> Bytes() const {
    std::vector<platform::WParam> bytes;
    for (const auto& n : received) {
      if (n.message == WM_SERIALDATA) bytes.push_back(n.wParam);
    }
    return bytes;
  }
};

}  // namespace serial_test
