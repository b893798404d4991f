// One serial port opened for overlapped I/O, with a monitoring thread that
// reports each received byte to an owner window (WM_SERIALDATA) and sends
// the bytes the owner queues.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/machine.h"

class SerialChannel {
 public:
  explicit SerialChannel(platform::Machine& machine);
  virtual ~SerialChannel();
  SerialChannel(const SerialChannel&) = delete;
  SerialChannel& operator=(const SerialChannel&) = delete;

  bool Open(platform::WindowId owner, int32_t portNumber, int32_t baudRate, char parity,
            int32_t dataBits, int32_t stopBits, uint32_t eventMask, uint32_t writeBufferSize);
  bool StartMonitoring();
  void Write(const uint8_t* bytes, uint32_t count);
  bool Close();
  bool IsOpen() const;
  // The error texts reported since the last call (see WM_SERIALERROR).
  std::vector<std::string> TakeErrors();

 private:
  struct State;

  // Makes a running monitoring thread end and waits for it. The wait runs
  // the notifications the thread sends to the calling thread meanwhile, so
  // every byte it has read reaches the owner, in order, before this returns.
  void StopMonitoring();
  void CloseEvents(bool* writeEventClosed);
  void MonitorLoop();
  // False when a read failed.
  bool ReceiveChars();
  void SendPending();
  bool ShutdownRequested();
  // Rests after a comm event that reported nothing; false when the channel
  // is to end.
  bool PauseAfterEmptyEvent();
  // Keeps the error's text for the owner and posts WM_SERIALERROR to it: the
  // monitoring thread shows no box of its own, so a close never waits for
  // a user to answer one. One report per opening: a port that keeps failing
  // says so once.
  void ReportError(const char* operation, uint32_t errorCode);
  // Rests after a failed read; false when the channel is to end.
  bool PauseAfterFailure();
  void Notify(uint32_t message, platform::WParam wParam);

  platform::Machine& machine_;
  std::unique_ptr<State> state_;
};

// The text of the channel's error box: the failed operation, the system's
// text for the error and the port number.
std::string SerialErrorText(const std::string& operation, const std::string& systemText,
                            int32_t portNumber);
