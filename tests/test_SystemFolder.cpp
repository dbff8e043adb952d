#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/SystemFolder.h"

using folvane::platform::SystemFolder;

class TestSystemFolder : public QObject {
  Q_OBJECT
  QTemporaryDir home_;

  void make(const QString& relative) {
    const QString path = SystemFolder::Root() + u'/' + relative;
    if (relative.endsWith(u'/')) {
      QVERIFY(QDir().mkpath(path + QStringLiteral("user")));
      return;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
  }
  bool exists(const QString& relative) {
    return QFileInfo::exists(SystemFolder::Root() + u'/' + relative);
  }

 private slots:
  void initTestCase() { qputenv("XDG_DATA_HOME", QFile::encodeName(home_.path())); }

  void whatKilledRunsLeftGoesAndWhatRunningOnesUseStays() {
    QVERIFY(SystemFolder::Prepare());
    make("spool/111/print-a1b2c3.pdf");
    make("spool/111/lu111abc.tmp");
    make("spool/222/print-d4e5f6.pdf");
    make("spool/print-old.pdf");
    make("office-profile/");
    make("office-profile-111/");
    make("office-profile-222/");
    make("office-profile.1/");  // a further engine's
    make("office-profile-111.1/");
    make("office-profile-222.1/");
    make("office-profile.lock");
    make("windows/registry.json");
    make("windows/registry.json.new-111");
    make("windows/registry.json.new-222");
    make("windows/win.ini");
    QList<qint64> asked;
    SystemFolder::RemoveLeftovers([&](qint64 pid) {
      asked << pid;
      return pid == 222;
    });
    for (const char* gone : {"spool/111", "spool/print-old.pdf", "office-profile-111",
                             "office-profile-111.1", "windows/registry.json.new-111"})
      QVERIFY2(!exists(gone), gone);
    for (const char* kept :
         {"spool/222/print-d4e5f6.pdf", "office-profile/user", "office-profile-222/user",
          "office-profile.1/user", "office-profile-222.1/user", "office-profile.lock",
          "windows/registry.json", "windows/registry.json.new-222", "windows/win.ini"})
      QVERIFY2(exists(kept), kept);
    QVERIFY(asked.contains(111) && asked.contains(222));
    QCOMPARE(SystemFolder::SpoolDir(222), SystemFolder::Root() + QStringLiteral("/spool/222"));
  }
};

QTEST_GUILESS_MAIN(TestSystemFolder)
#include "test_SystemFolder.moc"
