// How a failed Install run, or the start-up before it, ends: the place that
// ends it names its outcome when it shows its box or status. The window
// shows the text alone; a run with arguments turns the outcome into its
// exit code, so that rewording a message never changes a code.
#pragma once

enum class RunOutcome {
  kNone,                 // the box or status ends nothing
  kNoDriverNameList,     // nothing to choose from: no list, or no start-up
  kUnknownDriverName,    // the chosen name has no driver of the catalogue
  kDriverRegistration,   // the driver directory, a path, AddPrinterDriverEx
  kMonitorRegistration,  // the system folder, the monitor's copy, AddMonitor
  kPrinterCreation,      // AddPrinter
  kNoPort,               // no port of the kind, or no printer answered the search
};
