#include "LinuxProcess.h"

#include <QFile>
#include <QFileInfo>

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

}  // namespace folvane::platform
