#include <signal.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/process/LinuxProcess.h"

class TestLinuxProcess : public QObject {
  Q_OBJECT
 private slots:
  void executablePathIsTheRunningFile() {
    folvane::platform::LinuxProcess process;
    QCOMPARE(process.ExecutablePath(),
             QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
  }

  void endRunsTheHooksAndStopsAtOnce() {
    QTemporaryDir dir;
    QProcess probe;
    probe.start(QStringLiteral(END_PROBE), {dir.filePath("came-back")});
    QVERIFY(probe.waitForFinished(20000));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
    QVERIFY(!QFile::exists(dir.filePath("came-back")));
    const QString pid = QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
    QVERIFY(!pid.isEmpty());
    // The helper it started is gone with it (not even left as a zombie).
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists("/proc/" + pid + "/cmdline") ||
                                 QFile("/proc/" + pid + "/cmdline").size() == 0,
                             5000);
  }

  void terminationSignalsEndThroughTheHooks() {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
      QTemporaryDir dir;
      QProcess probe;
      probe.start(QStringLiteral(END_PROBE), {dir.filePath("came-back"), "signal"});
      QVERIFY(probe.waitForReadyRead(20000));  // the pid line: it waits now
      const QString pid = QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
      ::kill(pid_t(probe.processId()), sig);
      QVERIFY(probe.waitForFinished(20000));
      QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
      QCOMPARE(probe.exitCode(), 0);
      QVERIFY(QFile::exists(dir.filePath("came-back.hook")));
      QVERIFY(!QFile::exists(dir.filePath("came-back")));
      QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists("/proc/" + pid + "/cmdline") ||
                                   QFile("/proc/" + pid + "/cmdline").size() == 0,
                               5000);
    }
  }

  void otherInstancesAreToldFromDeadOrForeignProcesses() {
    folvane::platform::LinuxProcess process;
    QVERIFY(process.IsRunningInstance(process.ProcessId()));
    // A program under this program's name stands for a second instance.
    QTemporaryDir dir;
    const QString twin =
        dir.filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), twin));
    QFile::setPermissions(twin, QFile::ReadOwner | QFile::ExeOwner);
    QProcess same;
    same.start(twin, {QStringLiteral("30")});
    QVERIFY(same.waitForStarted());
    QVERIFY(process.IsRunningInstance(same.processId()));
    same.kill();
    same.waitForFinished();
    // The window and the command are one program's two front ends.
    for (const char* name : {"Folvane", "folvane-batch"}) {
      const QString front = dir.filePath(QString::fromLatin1(name));
      QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), front));
      QFile::setPermissions(front, QFile::ReadOwner | QFile::ExeOwner);
      QProcess running;
      running.start(front, {QStringLiteral("30")});
      QVERIFY(running.waitForStarted());
      QVERIFY2(process.IsRunningInstance(running.processId()), name);
      running.kill();
      running.waitForFinished();
    }
    QProcess other;
    other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(other.waitForStarted());
    QVERIFY(!process.IsRunningInstance(other.processId()));
    other.kill();
    other.waitForFinished();
    QVERIFY(!process.IsRunningInstance(other.processId()));
  }
};

QTEST_GUILESS_MAIN(TestLinuxProcess)
#include "test_LinuxProcess.moc"
