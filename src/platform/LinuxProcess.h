#pragma once

#include <vector>

#include "Process.h"

namespace folvane::platform {

class LinuxProcess final : public Process {
 public:
  QString ExecutablePath() const override;
  QString Environ(const QString& name) const override;
  void AddEndHook(std::function<void()> hook) override;
  [[noreturn]] void End() override;

  // Runs the end hooks once; also called when main returns normally.
  void RunEndHooks();

 private:
  std::vector<std::function<void()>> hooks_;
};

}  // namespace folvane::platform
