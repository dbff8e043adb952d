#pragma once

#include <memory>
#include <vector>

#include "Process.h"

class QSocketNotifier;

namespace folvane::platform {

class LinuxProcess final : public Process {
 public:
  LinuxProcess();
  ~LinuxProcess() override;
  QString ExecutablePath() const override;
  QString SettingsFolder() const override;
  QString Environ(const QString& name) const override;
  void AddEndHook(EndStage stage, std::function<void()> hook) override;
  [[noreturn]] void End() override;
  qint64 ProcessId() const override;
  bool IsRunningInstance(qint64 pid) const override;

  // SIGTERM, SIGINT and SIGHUP end the program through End() once the event
  // loop sees them, so the end hooks run as they do for the quit button.
  // Needs a QCoreApplication.
  void EndOnSignals();

  // Runs the end hooks once; also called when main returns normally.
  void RunEndHooks();

 private:
  EndHooks hooks_;
  std::unique_ptr<QSocketNotifier> signals_;
};

}  // namespace folvane::platform
