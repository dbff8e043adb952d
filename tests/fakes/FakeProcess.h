#pragma once

#include <QList>
#include <QMap>
#include <vector>

#include "platform/process/Process.h"

namespace folvane::fakes {

class FakeProcess final : public platform::Process {
 public:
  QString executablePath = QStringLiteral("/opt/folvane/Folvane");
  QMap<QString, QString> environment;
  QString settingsFolder;  // empty: the executable's folder (writable)
  int endCount = 0;
  qint64 pid = 4242;
  QList<qint64> otherInstances;  // ids of other running instances
  platform::EndHooks hooks;

  QString ExecutablePath() const override { return executablePath; }
  QString SettingsFolder() const override {
    if (!settingsFolder.isEmpty()) return settingsFolder;
    return executablePath.left(executablePath.lastIndexOf(u'/'));
  }
  QString Environ(const QString& name) const override { return environment.value(name); }
  void AddEndHook(platform::EndStage stage, std::function<void()> hook) override {
    hooks.Add(stage, std::move(hook));
  }
  qint64 ProcessId() const override { return pid; }
  bool IsRunningInstance(qint64 id) const override {
    return id == pid || otherInstances.contains(id);
  }
  // Records the end and runs the hooks; the test goes on.
  void End() override {
    ++endCount;
    hooks.RunAll();
  }
};

}  // namespace folvane::fakes
