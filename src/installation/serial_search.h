// The state of one search for the serial port of a newly created printer.
#pragma once

#include <string>
#include <vector>

struct ParkedPrinter {
  std::string name;
  std::string port;
};

// The printers parked on "LPT1:" are recorded when they are parked, so that
// every ending can give them their own ports back: the printer lists are
// refilled from the spooler during the search and then show "LPT1:".
struct SerialSearch {
  std::string newPrinter;
  std::vector<ParkedPrinter> parked;
};
