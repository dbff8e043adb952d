#include "InstallLayout.h"

#include <QDir>
#include <QFileInfo>

#ifndef FOLVANE_HELPER_FROM_BIN
#define FOLVANE_HELPER_FROM_BIN "../libexec/folvane"
#endif

namespace folvane::platform::InstallLayout {
namespace {
const QString kHelperName = QStringLiteral("folvane-office");

bool isExecutableFile(const QString& path) {
  const QFileInfo info(path);
  return info.isFile() && info.isExecutable();
}
}  // namespace

QString OfficeHelperPath(const QString& executablePath) {
  const QString bin = QFileInfo(executablePath).absolutePath();
  const QString beside = bin + u'/' + kHelperName;
  if (isExecutableFile(beside)) return beside;
  const QString installed =
      QDir::cleanPath(bin + u'/' + QStringLiteral(FOLVANE_HELPER_FROM_BIN) + u'/' + kHelperName);
  return isExecutableFile(installed) ? installed : beside;
}

bool IsInstalled(const QString& executablePath) {
  return OfficeHelperPath(executablePath) !=
         QFileInfo(executablePath).absolutePath() + u'/' + kHelperName;
}

QString PerUserSettingsFolder(const QString& xdgConfigHome, const QString& home) {
  const QString base =
      QDir::isAbsolutePath(xdgConfigHome) ? xdgConfigHome : home + QStringLiteral("/.config");
  return QDir::cleanPath(base + QStringLiteral("/folvane"));
}

}  // namespace folvane::platform::InstallLayout
