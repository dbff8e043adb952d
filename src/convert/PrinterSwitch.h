#pragma once

#include <functional>

#include "platform/Platform.h"

namespace folvane {

// The bracket both conversions run their job in: for the length of the job
// the printer named `pdfWriterName` is the default printer, and afterwards
// win.ini's "device" is exactly what it was before (absent when it was
// absent). While the switch is in force a record of the previous state is
// kept in the system folder, so a switch the process could not undo itself
// (killed, power loss) is undone at the next start.
class PrinterSwitch {
 public:
  explicit PrinterSwitch(platform::Platform& platform) : platform_(platform) {}

  // Runs `job` inside the switch and returns true. When no installed printer
  // bears `pdfWriterName` (exactly, letter case included), says so in a
  // message, leaves the default printer alone and returns false without
  // running the job. The default is restored also when the job throws.
  bool Run(const QString& pdfWriterName, const std::function<void()>& job);

  // Undoes a switch left in force by this process (ending during a job) or
  // by one that is gone (killed, crashed). A switch of another running
  // instance is left alone, and so is a default the user has changed since.
  // True when something was put back.
  static bool Recover(platform::Platform& platform);

 private:
  platform::Platform& platform_;
};

}  // namespace folvane
