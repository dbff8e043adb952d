#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/process/InstallLayout.h"
#include "platform/process/LinuxProcess.h"

using namespace folvane::platform;

namespace {
void makeFile(const QString& path, bool executable) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("#!/bin/sh\n");
  f.close();
  QFile::Permissions p = QFile::ReadOwner | QFile::WriteOwner;
  if (executable) p |= QFile::ExeOwner;
  QVERIFY(f.setPermissions(p));
}
}  // namespace

class TestInstallLayout : public QObject {
  Q_OBJECT
 private slots:
  void helperIsFoundBesideOrInThePrivateFolder() {
    QTemporaryDir dir;
    const QString exe = dir.filePath("usr/bin/Folvane");
    const QString installed = dir.filePath("usr/libexec/folvane/folvane-office");
    const QString beside = dir.filePath("usr/bin/folvane-office");
    makeFile(exe, true);

    // Nothing anywhere: the name beside the program, so the failure names it.
    QCOMPARE(InstallLayout::OfficeHelperPath(exe), beside);
    QVERIFY(!InstallLayout::IsInstalled(exe));
    // A file that cannot run is not a helper.
    makeFile(installed, false);
    QCOMPARE(InstallLayout::OfficeHelperPath(exe), beside);
    makeFile(installed, true);
    QCOMPARE(InstallLayout::OfficeHelperPath(exe), installed);
    QVERIFY(InstallLayout::IsInstalled(exe));
    // The build folder's layout wins over an installed one.
    makeFile(beside, true);
    QCOMPARE(InstallLayout::OfficeHelperPath(exe), beside);
    QVERIFY(!InstallLayout::IsInstalled(exe));
    // Found from the program's own place, through a relative path too.
    QDir::setCurrent(dir.filePath("usr"));
    QFile::remove(beside);
    QCOMPARE(InstallLayout::OfficeHelperPath("bin/Folvane"), installed);
  }

  void perUserFolderFollowsXdgConfigHome() {
    QCOMPARE(InstallLayout::PerUserSettingsFolder("/cfg", "/home/u"),
             QStringLiteral("/cfg/folvane"));
    QCOMPARE(InstallLayout::PerUserSettingsFolder("", "/home/u"),
             QStringLiteral("/home/u/.config/folvane"));
    // A relative XDG_CONFIG_HOME is not a place: ignored.
    QCOMPARE(InstallLayout::PerUserSettingsFolder("cfg", "/home/u"),
             QStringLiteral("/home/u/.config/folvane"));
  }

  void aWritableProgramFolderKeepsTheSettingsBesideIt() {
    LinuxProcess process;
    QCOMPARE(process.SettingsFolder(), QCoreApplication::applicationDirPath());
  }
};

QTEST_GUILESS_MAIN(TestInstallLayout)
#include "test_InstallLayout.moc"
