// Installs the build into a temporary DESTDIR and starts what was installed,
// from a program folder the user cannot write, as a user of its own.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kId = QStringLiteral("jp.folvane.Folvane");
constexpr uint kNobody = 65534;

}  // namespace

class TestInstall : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString root_;  // the DESTDIR
  QString home_;

  QString at(const QString& path) const { return root_ + path; }

  // Runs `program` as the test's user: `nobody` when the tests run as root,
  // for whom no folder is read-only.
  void start(QProcess& p, const QString& program, const QStringList& args,
             const QStringList& extraEnv = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home_);
    env.remove("XDG_CONFIG_HOME");
    env.remove("XDG_DATA_HOME");
    env.remove("windir");
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    for (const QString& kv : extraEnv) env.insert(kv.section('=', 0, 0), kv.section('=', 1));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(home_);
    if (::geteuid() == 0) {
      p.start("setpriv", QStringList{"--reuid", QString::number(kNobody), "--regid",
                                     QString::number(kNobody), "--clear-groups", program} +
                             args);
    } else {
      p.start(program, args);
    }
  }
  QStringList probe(const QStringList& args, const QStringList& extraEnv = {}) {
    QProcess p;
    start(p, at("/usr/bin/settings_probe"), args, extraEnv);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
      qWarning() << p.readAllStandardError();
      return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QFile::setPermissions(dir_.path(), QFile::permissions(dir_.path()) | QFile::ReadOther |
                                           QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    root_ = dir_.filePath("root");
    home_ = dir_.filePath("home");
    QVERIFY(QDir().mkpath(home_));
    if (::geteuid() == 0)
      QCOMPARE(::chown(QFile::encodeName(home_).constData(), kNobody, kNobody), 0);

    QProcess install;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DESTDIR", root_);
    install.setProcessEnvironment(env);
    install.start(CMAKE_COMMAND, {"--install", BUILD_DIR, "--prefix", "/usr"});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    // A probe that starts up the way the program does, put where it lives.
    QVERIFY(QFile::copy(SETTINGS_PROBE, at("/usr/bin/settings_probe")));
    for (const QString& p : {QStringLiteral("/usr/bin"), QStringLiteral("/usr")})
      QVERIFY(QFile::setPermissions(at(p), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                               QFile::ExeGroup | QFile::ReadOther |
                                               QFile::ExeOther));
  }
  void cleanupTestCase() {
    QFile::setPermissions(at("/usr/bin"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  void theLayoutIsComplete() {
    for (const QString& f : QStringList{"/usr/bin/Folvane", "/usr/bin/folvane-batch",
                                        "/usr/libexec/folvane/folvane-office",
                                        "/usr/share/applications/" + kId + ".desktop",
                                        "/usr/share/metainfo/" + kId + ".metainfo.xml",
                                        "/usr/share/icons/hicolor/scalable/apps/" + kId + ".svg",
                                        "/usr/share/doc/folvane/README.md"})
      QVERIFY2(QFile::exists(at(f)), qPrintable(f));
    QVERIFY(QFileInfo(at("/usr/libexec/folvane/folvane-office")).isExecutable());
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
      const QString png =
          at(QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/").arg(size) + kId + ".png");
      const QImage image(png);
      QCOMPARE(image.size(), QSize(size, size));
    }
    // The metainfo, its desktop entry and the icon, checked as installed.
    QProcess tree;
    tree.start("appstreamcli", {"validate-tree", "--no-net", root_});
    QVERIFY(tree.waitForFinished(60000));
    QVERIFY2(tree.exitCode() == 0, tree.readAllStandardOutput().constData());
  }

  void theInstalledProgramFindsItsHelperAndKeepsSettingsPerUser() {
    // Written where this user can write, read back from the same place.
    QStringList lines = probe({"SourceDir=/data/入力"});
    QCOMPARE(lines.size(), 5);
    const QString perUser = home_ + "/.config/folvane/settings_probe.INI";
    QCOMPARE(lines[0], perUser);
    QCOMPARE(lines[1], QStringLiteral("/data/入力"));
    QCOMPARE(lines[3], at("/usr/libexec/folvane/folvane-office"));
    QVERIFY(QFile::exists(perUser));
    QCOMPARE(QFile::permissions(home_ + "/.config/folvane") & 0x0077, QFile::Permissions());
    QVERIFY(!QFile::exists(at("/usr/bin/settings_probe.INI")));
    lines = probe({});
    QCOMPARE(lines.value(1), QStringLiteral("/data/入力"));

    // XDG_CONFIG_HOME moves the per-user place.
    const QString config = home_ + "/elsewhere";
    lines = probe({"SourceDir=/x"}, {"XDG_CONFIG_HOME=" + config});
    QCOMPARE(lines.value(0), config + "/folvane/settings_probe.INI");
    QVERIFY(QFile::exists(config + "/folvane/settings_probe.INI"));

    // Where the program's folder can be written (root's can), the settings
    // stay per user all the same, and nothing lands among the programs.
    QVERIFY(QFile::setPermissions(at("/usr/bin"), QFile::permissions(at("/usr/bin")) |
                                                      QFile::WriteOwner | QFile::WriteGroup |
                                                      QFile::WriteOther));
    lines = probe({"SourceDir=/y"});
    QVERIFY(QFile::setPermissions(at("/usr/bin"), QFile::ReadOwner | QFile::ExeOwner |
                                                      QFile::ReadGroup | QFile::ExeGroup |
                                                      QFile::ReadOther | QFile::ExeOther));
    QCOMPARE(lines.value(0), perUser);
    QVERIFY(!QFile::exists(at("/usr/bin/settings_probe.INI")));
  }

  void aSecondStartReachesTheFirst() {
    QProcess first;
    start(first, at("/usr/bin/Folvane"), {});
    QVERIFY(first.waitForStarted());
    const QString socket = home_ + "/.local/share/folvane/instance";
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(socket).exists(), 20000);
    QCOMPARE(first.state(), QProcess::Running);

    QProcess second;
    start(second, at("/usr/bin/Folvane"), {});
    const bool ended = second.waitForFinished(15000);
    if (!ended) second.kill();
    QVERIFY2(ended, "a second instance kept running");
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(!QFile::exists(at("/usr/bin/Folvane.INI")));

    first.terminate();
    QVERIFY(first.waitForFinished(15000));
    // Once the first has ended, a start is the first again.
    QProcess again;
    start(again, at("/usr/bin/Folvane"), {});
    QVERIFY(!again.waitForFinished(3000));
    again.terminate();
    QVERIFY(again.waitForFinished(15000));
  }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_Install.moc"
