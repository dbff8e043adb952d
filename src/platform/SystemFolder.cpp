#include "SystemFolder.h"

#include <QDir>
#include <QFile>

namespace folvane::platform {

QString SystemFolder::Root() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
  return base + QStringLiteral("/folvane");
}

QString SystemFolder::WindowsDir() {
  return Root() + QStringLiteral("/windows");
}

bool SystemFolder::Prepare() {
  const QString root = Root();
  bool ok = QDir().mkpath(root);
  ok = ok && QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  ok = ok && QDir().mkpath(WindowsDir());
  if (qEnvironmentVariableIsEmpty("windir")) qputenv("windir", QFile::encodeName(WindowsDir()));
  return ok;
}

}  // namespace folvane::platform
