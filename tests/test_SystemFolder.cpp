#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/files/FolderTemporary.h"
#include "platform/profile/SystemFolder.h"

using namespace folvane::platform;

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

  // A run killed while it writes into a user's folder: an unnamed temporary
  // leaves nothing at all; a named one (file systems without unnamed files)
  // is removed at the next start, and nothing else the journal might name.
  void temporariesInUsersFoldersGoWithTheirKilledRun() {
    QVERIFY(SystemFolder::Prepare());
    const QString folder = home_.filePath("documents");
    QVERIFY(QDir().mkpath(folder));
    QFile keep(folder + "/keep.txt");
    QVERIFY(keep.open(QIODevice::WriteOnly));
    QVERIFY(::symlink("keep.txt", QFile::encodeName(folder + "/.folvane-tmp-link").constData()) ==
            0);
    const pid_t child = ::fork();
    if (child == 0) {
      const QString journal = TemporaryJournalIn(SystemFolder::SpoolDir(::getpid()));
      FolderTemporary unnamed(folder, journal);
      FolderTemporary named(folder, journal, false);
      const bool written = unnamed.isOpen() && named.isOpen() &&
                           ::write(unnamed.handle(), "half", 4) == 4 &&
                           ::write(named.handle(), "half", 4) == 4;
      // What else a journal may name is not ours to remove.
      JournalTemporary(journal, QFile::encodeName(folder + "/keep.txt"));
      JournalTemporary(journal, QFile::encodeName(folder + "/.folvane-tmp-link"));
      if (written) ::raise(SIGKILL);
      ::_exit(1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status));
    const auto entries = [&] {
      return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                    QDir::NoDotAndDotDot);
    };
    QCOMPARE(entries().size(), 3);  // the named one is left by the kill
    SystemFolder::RemoveLeftovers([](qint64) { return false; });
    QCOMPARE(entries(), (QStringList{".folvane-tmp-link", "keep.txt"}));
    QVERIFY(!QFile::exists(SystemFolder::SpoolDir(child)));
  }

  // Put in place whole, never over a file there; a replacing put swaps it
  // in one step; what is not put in place is gone with the object.
  void temporariesArePutInPlaceWhole() {
    const QString folder = home_.filePath("place");
    QVERIFY(QDir().mkpath(folder));
    const QString journal = home_.filePath("place-journal");
    for (const bool unnamed : {true, false}) {
      const QString tag = unnamed ? "u" : "n";
      QFile there(folder + "/there-" + tag);
      QVERIFY(there.open(QIODevice::WriteOnly) && there.write("old") == 3);
      there.close();
      {
        FolderTemporary t(folder, journal, unnamed);
        QVERIFY(t.isOpen() && ::write(t.handle(), "new", 3) == 3);
        QVERIFY(!t.PlaceNoReplace(there.fileName()));
        QCOMPARE(errno, EEXIST);
        QVERIFY(t.PlaceNoReplace(folder + "/fresh-" + tag));
      }
      {
        FolderTemporary t(folder, journal, unnamed);
        QVERIFY(t.isOpen() && ::write(t.handle(), "newer", 5) == 5);
        QVERIFY(t.PlaceReplacing(there.fileName()));
      }
      { FolderTemporary dropped(folder, journal, unnamed); }
      QFile fresh(folder + "/fresh-" + tag);
      QVERIFY(fresh.open(QIODevice::ReadOnly));
      QCOMPARE(fresh.readAll(), QByteArray("new"));
      QVERIFY(there.open(QIODevice::ReadOnly));
      QCOMPARE(there.readAll(), QByteArray("newer"));
    }
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"fresh-n", "fresh-u", "there-n", "there-u"}));
    // Put in place, each has the mode any new file of the user gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (const char* name : {"fresh-n", "fresh-u", "there-n", "there-u"}) {
      struct stat st {};
      QCOMPARE(::stat(QFile::encodeName(folder + "/" + name).constData(), &st), 0);
      QCOMPARE(st.st_mode & 0777, 0666 & ~mask);
    }
  }
};

QTEST_GUILESS_MAIN(TestSystemFolder)
#include "test_SystemFolder.moc"
