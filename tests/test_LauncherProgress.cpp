#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>

#include "fakes/PrivateBus.h"

#include "platform/desktop/LauncherProgress.h"

using folvane::platform::LauncherProgress;

// Listens for launcher-entry updates on a bus of its own.
class Listener : public QObject {
  Q_OBJECT
 public:
  QList<QVariantList> updates;
 public slots:
  void onUpdate(const QDBusMessage& message) { updates.append(message.arguments()); }
};

class TestLauncherProgress : public QObject {
  Q_OBJECT
  folvane::fakes::PrivateBus bus_;
  QString address_;

 private slots:
  void initTestCase() {
    if (qEnvironmentVariableIsSet("FOLVANE_NO_BUS")) return;
    address_ = bus_.Start();
    QVERIFY(!address_.isEmpty());
  }

  void progressAndItsEndReachTheBus() {
    QDBusConnection listen = QDBusConnection::connectToBus(address_, "listener");
    QVERIFY(listen.isConnected());
    Listener listener;
    QVERIFY(listen.connect({}, {}, "com.canonical.Unity.LauncherEntry", "Update", &listener,
                           SLOT(onUpdate(QDBusMessage))));

    LauncherProgress progress("jp.folvane.Folvane.desktop");
    progress.Show(1, 4);
    progress.Show(7, 4);  // never past the end
    progress.Hide();
    QTRY_COMPARE(listener.updates.size(), 3);
    const auto props = [&](int i) { return qdbus_cast<QVariantMap>(listener.updates[i].value(1)); };
    QCOMPARE(listener.updates[0].value(0).toString(),
             QStringLiteral("application://jp.folvane.Folvane.desktop"));
    QCOMPARE(props(0).value("progress").toDouble(), 0.25);
    QCOMPARE(props(0).value("progress-visible").toBool(), true);
    QCOMPARE(props(1).value("progress").toDouble(), 1.0);
    QCOMPARE(props(2).value("progress-visible").toBool(), false);
  }

  // Run with FOLVANE_NO_BUS set and no reachable bus: nothing fails.
  void withoutASessionBusNothingHappens() {
    if (!qEnvironmentVariableIsSet("FOLVANE_NO_BUS")) QSKIP("runs in its own process");
    QVERIFY(!QDBusConnection::sessionBus().isConnected());
    LauncherProgress progress("jp.folvane.Folvane.desktop");
    progress.Show(0, 3);
    progress.Show(3, 3);
    progress.Hide();
  }
};

QTEST_GUILESS_MAIN(TestLauncherProgress)
#include "test_LauncherProgress.moc"
