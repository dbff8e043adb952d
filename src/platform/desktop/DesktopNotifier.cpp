#include "DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace folvane::platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

}  // namespace

void DesktopNotifier::Send(const QString& text, std::function<void()> onClick) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  if (!listening_) {
    bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                SLOT(onAction(uint, QString)));
    bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                SLOT(onClosed(uint, uint)));
    listening_ = true;
  }
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
  // The "default" action is a click on the notification itself.
  call << QStringLiteral("Folvane") << uint(0) << QStringLiteral("jp.folvane.Folvane")
       << QStringLiteral("Folvane") << text
       << QStringList{QStringLiteral("default"), QStringLiteral("表示")}
       << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("jp.folvane.Folvane")}}
       << int(-1);
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, onClick = std::move(onClick)](QDBusPendingCallWatcher* w) {
            const QDBusPendingReply<uint> reply = *w;
            if (!reply.isError()) waiting_.insert(reply.value(), onClick);
            w->deleteLater();
          });
}

void DesktopNotifier::onAction(uint id, const QString& action) {
  const auto click = waiting_.take(id);
  if (click && action == u"default") click();
}

void DesktopNotifier::onClosed(uint id, uint) {
  waiting_.remove(id);
}

}  // namespace folvane::platform
