#include "LauncherProgress.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace folvane::platform {

LauncherProgress::LauncherProgress(QString desktopId)
    : appUri_(QStringLiteral("application://") + desktopId) {}

void LauncherProgress::Show(qsizetype done, qsizetype total) {
  send(total > 0 ? double(qBound<qsizetype>(0, done, total)) / double(total) : 0.0, true);
}

void LauncherProgress::Hide() {
  send(0.0, false);
}

void LauncherProgress::send(double progress, bool visible) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage update = QDBusMessage::createSignal(
      QStringLiteral("/jp/folvane/Folvane/LauncherEntry"),
      QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
  update << appUri_
         << QVariantMap{{QStringLiteral("progress"), progress},
                        {QStringLiteral("progress-visible"), visible}};
  bus.send(update);
}

}  // namespace folvane::platform
