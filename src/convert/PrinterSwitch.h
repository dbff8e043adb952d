#pragma once

#include <functional>

#include "platform/Platform.h"

namespace folvane {

// The bracket both conversions run their job in: for the length of the job
// the printer named `pdfWriterName` is the default printer, and afterwards
// the default printer is what it was before.
class PrinterSwitch {
 public:
  explicit PrinterSwitch(platform::Platform& platform) : platform_(platform) {}

  // Runs `job` inside the switch and returns true. When no installed printer
  // bears `pdfWriterName` (exactly, letter case included), says so in a
  // message, leaves the default printer alone and returns false without
  // running the job. The default is restored also when the job throws.
  bool Run(const QString& pdfWriterName, const std::function<void()>& job);

 private:
  std::optional<platform::PrinterInfo> find(const QString& deviceName);
  void restore(const QString& rememberedName, const std::optional<QString>& rememberedDevice);

  platform::Platform& platform_;
};

}  // namespace folvane
