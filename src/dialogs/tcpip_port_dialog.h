// The "Configure TCP/IP PrinterPort" dialog, and the port-list building that
// the three port-choosing dialogs share.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/machine.h"

namespace port_list {

// The port inventory looks at this many enumerated ports only. The dialogs
// apply the same limit so that a row names the same port as the window's
// lists.
inline constexpr std::size_t kInventoryLimit = 256;

// True when the first three bytes of `name` are exactly `prefix`.
bool HasPrefix(const std::string& name, const char* prefix);

// The ports each dialog lists, by the rules of the port inventory.
bool IsListedTcpIpPort(const platform::PortInfo2& port);
bool IsListedParallelPort(const platform::PortInfo2& port);
bool IsListedUsbPort(const platform::PortInfo2& port);

struct Column {
  const char* heading;
  int widthPixels;
};

// Empties the list control `controlId` of `dialog` (rows, then columns),
// enumerates the ports afresh and fills one row per port that `listed`
// accepts (name in column 0, description in column 1 when there are two
// columns). Row 0 ends up selected, not focused. Returns the row count.
int Fill(platform::Machine& machine, platform::WindowId dialog, int controlId,
         const Column* columns, int columnCount,
         const std::function<bool(const platform::PortInfo2&)>& listed);

// The first selected row, testing from row 0 upward; -1 when none.
int FirstSelectedRow(platform::WindowSystem& ui, platform::WindowId dialog, int controlId);

// Finds `portName` in `ports`, trying `row` first. The index, or -1.
int IndexInList(const std::vector<std::string>& ports, int row, const std::string& portName);

}  // namespace port_list

class TcpIpPortDialog : public platform::Dialog {
 public:
  explicit TcpIpPortDialog(platform::Machine& machine);

  // The port of the row the dialog ended with; empty after a cancel.
  const std::string& chosenPort() const { return chosenPort_; }

  bool OnInitDialog() override;
  void OnCommand(int id, int notifyCode) override;
  void OnClose() override;

 private:
  int Rebuild();
  void AddPort();
  void ConfigurePort();
  void DeletePort();
  void Accept();

  platform::Machine& machine_;
  std::string chosenPort_;
};
