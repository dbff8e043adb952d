// Desktop notifications reach a stand-in notification service on a private
// session bus; a click on one calls back; without a service nothing fails.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>

#include "fakes/PrivateBus.h"

#include "platform/desktop/DesktopNotifier.h"

using folvane::platform::DesktopNotifier;

// The freedesktop notification service, as far as a sender sees it.
class StandIn : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  QStringList bodies;
  QStringList actions;
  QString app;
 public slots:
  uint Notify(const QString& appName, uint, const QString&, const QString&, const QString& body,
              const QStringList& actionList, const QVariantMap&, int) {
    app = appName;
    bodies << body;
    actions = actionList;
    return uint(bodies.size());
  }
};

class TestDesktopNotifier : public QObject {
  Q_OBJECT
  folvane::fakes::PrivateBus bus_;
  QString address_;

 private slots:
  void initTestCase() {
    address_ = bus_.Start();
    QVERIFY(!address_.isEmpty());
  }

  void aNotificationIsShownAndItsClickCallsBack() {
    DesktopNotifier notifier;
    // No service yet: nothing fails, nothing waits.
    bool early = false;
    notifier.Send(QStringLiteral("誰も聞いていない"), [&] { early = true; });

    QDBusConnection service = QDBusConnection::connectToBus(address_, "service");
    StandIn standIn;
    QVERIFY(service.registerObject("/org/freedesktop/Notifications", &standIn,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService("org.freedesktop.Notifications"));
    int clicks = 0;
    notifier.Send(QStringLiteral("PDF 変換が終わりました（37 件変換）"), [&] { ++clicks; });
    notifier.Send(QStringLiteral("PDF 印刷が終わりました（2 件印刷）"), [&] { clicks += 10; });
    QTRY_COMPARE(standIn.bodies.size(), 2);
    QCOMPARE(standIn.bodies[0], QStringLiteral("PDF 変換が終わりました（37 件変換）"));
    QCOMPARE(standIn.app, QStringLiteral("Folvane"));
    QVERIFY(standIn.actions.contains("default"));
    QTest::qWait(100);  // the ids come back

    const auto signal = [&](const char* name, const QVariantList& args) {
      QDBusMessage m = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                  "org.freedesktop.Notifications", name);
      m.setArguments(args);
      QVERIFY(service.send(m));
    };
    signal("ActionInvoked", {uint(1), QStringLiteral("default")});
    QTRY_COMPARE(clicks, 1);
    signal("ActionInvoked", {uint(1), QStringLiteral("default")});  // once only
    signal("NotificationClosed", {uint(2), uint(2)});               // closed unclicked
    signal("ActionInvoked", {uint(2), QStringLiteral("default")});
    QTest::qWait(200);
    QCOMPARE(clicks, 1);
    QVERIFY(!early);
  }
};

QTEST_GUILESS_MAIN(TestDesktopNotifier)
#include "test_DesktopNotifier.moc"
