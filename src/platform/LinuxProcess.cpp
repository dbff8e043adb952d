#include "LinuxProcess.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

namespace folvane::platform {

QString LinuxProcess::ExecutablePath() const {
  // /proc follows a rename of the running file; Qt's own answer is cached.
  QString path = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
  const QString deleted = QStringLiteral(" (deleted)");
  if (path.endsWith(deleted)) path.chop(deleted.size());
  return path;
}

QString LinuxProcess::Environ(const QString& name) const {
  return qEnvironmentVariable(name.toLocal8Bit().constData());
}

void LinuxProcess::AddEndHook(std::function<void()> hook) {
  hooks_.push_back(std::move(hook));
}

void LinuxProcess::RunEndHooks() {
  while (!hooks_.empty()) {
    auto hook = std::move(hooks_.back());
    hooks_.pop_back();
    hook();
  }
}

void LinuxProcess::End() {
  RunEndHooks();
  std::fflush(nullptr);
  // Every file Folvane writes is complete when its call returns (profile and
  // registry writes are atomic), so nothing is lost by skipping destructors.
  std::_Exit(0);
}

}  // namespace folvane::platform
