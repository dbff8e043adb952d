#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/LinuxProcess.h"

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
};

QTEST_GUILESS_MAIN(TestLinuxProcess)
#include "test_LinuxProcess.moc"
