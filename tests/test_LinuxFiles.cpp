#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/files/LinuxFiles.h"

using namespace folvane::platform;

namespace {

void make(const QString& path, const QByteArray& bytes = "x") {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The version of a file as the engine takes it, through a copy let go of.
Snapshot snapshotOf(const QString& path) {
  const QByteArray copy = QFile::encodeName(path) + ".copy";
  const Snapshot s = TakeSnapshot(QFile::encodeName(path).toStdString(), copy.toStdString());
  ::unlink(copy.constData());
  return s;
}

dev_t deviceOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : 0;
}

}  // namespace

class TestLinuxFiles : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  LinuxFiles files_{CodePage("UTF-8")};
  QString at(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void searchListsPlainFilesSortedAsWindowsDoes() {
    const QString d = at("search");
    QVERIFY(QDir().mkpath(d + "/sub.doc"));
    for (const char* name :
         {"b.doc", "A.DOC", "a.pdf", "C.Pdf", ".hidden.pdf", "noext", "報告.pdf"})
      make(d + "/" + QString::fromUtf8(name));
    QVERIFY(QFile::link(d + "/b.doc", d + "/link.pdf"));
    QVERIFY(QFile::link(d + "/gone", d + "/dangling.pdf"));
    QCOMPARE(files_.FileSearch(d + "/*.*"),
             (QStringList{"A.DOC", "a.pdf", "b.doc", "C.Pdf", "link.pdf", "noext", "報告.pdf"}));
    QCOMPARE(files_.FileSearch(d + "/*.pdf"),
             (QStringList{"a.pdf", "C.Pdf", "link.pdf", "報告.pdf"}));
    QCOMPARE(files_.FileSearch(d + "//*.PDF").size(), 4);  // a doubled separator still lists
    QCOMPARE(files_.FileSearch(d + "/?.doc"), (QStringList{"A.DOC", "b.doc"}));
    QVERIFY(files_.FileSearch(at("no-such-folder") + "/*.*").isEmpty());
  }

  void namesAreReadAsBytesAndCp932NamesOpenByTheirOwn() {
    const QString d = at("bytes");
    QVERIFY(QDir().mkpath(d));
    const QByteArray folder = QFile::encodeName(d) + '/';
    const auto makeBytes = [&](const QByteArray& name, const QByteArray& content) {
      const int fd = ::open((folder + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      QVERIFY(fd >= 0);
      QCOMPARE(::write(fd, content.constData(), size_t(content.size())), ssize_t(content.size()));
      ::close(fd);
    };
    makeBytes("\x95\x5c.doc", "sjis");                  // 表.doc as a Windows copy brings it
    makeBytes("\x83\x5c\x83\x74\x83\x67.pdf", "soft");  // ソフト.pdf
    makeBytes("\xff\xfe.doc", "neither");
    makeBytes("\xe8\xa1\xa8.doc", "utf8");  // 表.doc in UTF-8: the same text
    makeBytes("\x95\x5c.doc.bak", "b");
    for (const char* name : {"docb.doc", "doc_x.doc", "Zeta.doc", "alpha.doc"})
      make(d + "/" + name);
    QStringList unreadable;
    QCOMPARE(files_.FileSearch(d + "/*.doc", &unreadable),
             (QStringList{"alpha.doc", "docb.doc", "doc_x.doc", "Zeta.doc", "表.doc"}));
    // Neither code page, and the CP932 twin of the UTF-8 表.doc: both told.
    QCOMPARE(unreadable, (QStringList{"\\x95\\.doc", "\\xFF\\xFE.doc"}));
    QCOMPARE(files_.FileSearch(d + "/*.pdf"), QStringList{"ソフト.pdf"});
    QCOMPARE(files_.NativePath(d + "/ソフト.pdf"), folder + "\x83\x5c\x83\x74\x83\x67.pdf");
    QVERIFY(files_.Exists(d + "/ソフト.pdf"));
    // Qt and qpdf open it through a link under its own name.
    const QString openable = files_.OpenablePath(d + "/ソフト.pdf");
    QVERIFY(openable.endsWith("/ソフト.pdf"));
    QCOMPARE(read(openable), QByteArray("soft"));
    QCOMPARE(files_.OpenablePath(d + "/alpha.doc"), d + "/alpha.doc");
    QVERIFY(files_.Move(d + "/ソフト.pdf", d + "/moved.pdf"));
    QCOMPARE(read(d + "/moved.pdf"), QByteArray("soft"));
    QVERIFY(files_.Move(d + "/moved.pdf", d + "/ソフト.pdf"));
    const QByteArray cp932 = folder + "\x83\x5c\x83\x74\x83\x67.pdf";
    QCOMPARE(::access(cp932.constData(), F_OK), 0);  // back under its own bytes

    // A UTF-8 twin added later: the next listing tells the CP932 file, and
    // every call by the name reaches the UTF-8 one, never the one told.
    makeBytes("\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88.pdf", "twin");
    QCOMPARE(files_.FileSearch(d + "/*.pdf", &unreadable), QStringList{"ソフト.pdf"});
    QCOMPARE(unreadable.size(), 1);
    QCOMPARE(read(files_.OpenablePath(d + "/ソフト.pdf")), QByteArray("twin"));
    QVERIFY(files_.Delete(d + "/ソフト.pdf"));
    QVERIFY(!QFile::exists(d + "/ソフト.pdf"));
    QCOMPARE(::access(cp932.constData(), F_OK), 0);
  }

  void windowsOrderIsOrdinalOnUpperCase() {
    QVERIFY(WindowsNameLess("docb", "doc_x"));
    QVERIFY(!WindowsNameLess("doc_x", "docb"));
    QVERIFY(WindowsNameLess("a.doc", "B.doc"));
    QVERIFY(WindowsNameLess("Z.doc", "[.doc"));  // upper-cased letters come before "["
    QVERIFY(WindowsNameLess("ab", "abc"));
    QVERIFY(WindowsNameLess("A", "a") != WindowsNameLess("a", "A"));  // still a strict order
    QCOMPARE(EscapedName("a\nb\x95"), QStringLiteral("a\\x0Ab\\x95"));
  }

  void masksMatchWholeNamesWithoutRegardToCase() {
    QVERIFY(MatchesMask("report.PDF", "*.pdf"));
    QVERIFY(!MatchesMask("report.pdfx", "*.pdf"));
    QVERIFY(!MatchesMask("a.pdf.bak", "*.pdf"));
    QVERIFY(MatchesMask("noext", "*.*"));
    QVERIFY(MatchesMask("a+b(1).pdf", "a+b(1).pdf"));  // no regex meaning leaks through
    // One mask after another on the same names: none answers for the last.
    QVERIFY(MatchesMask("letter.doc", "*.DOC"));
    QVERIFY(!MatchesMask("letter.doc", "*.xls"));
    QVERIFY(MatchesMask("letter.doc", "*.doc"));
    QVERIFY(!MatchesMask("sheet.xls", "*.doc"));
    QVERIFY(!MatchesMask("ab.pdf", "a.pdf"));
  }

  void appendWritesCodePageLinesEndedByCrLf() {
    const QString log = at("conv.log");
    make(log, "old\r\n");
    {
      auto file = files_.OpenForAppend(log);
      QVERIFY(file);
      QVERIFY(file->WriteLine(QStringLiteral("変換前：a")));
      QCOMPARE(read(log), QByteArray("old\r\n") + QStringLiteral("変換前：a\r\n").toUtf8());
    }
    LinuxFiles sjis{CodePage("CP932")};
    auto file = sjis.OpenForAppend(log);
    QVERIFY(file->WriteLine(QStringLiteral("表")));
    QVERIFY(read(log).endsWith(*CodePage("CP932").encode(QStringLiteral("表\r\n"))));
    QVERIFY(!files_.OpenForAppend(QString()));
    QVERIFY(!files_.OpenForAppend(at("no/such/dir/log.txt")));
  }

  void moveNeverReplaces() {
    const QString from = at("m-from.pdf"), to = at("m-to.pdf");
    make(from, "new");
    make(to, "old");
    QVERIFY(!files_.Move(from, to));
    QCOMPARE(read(to), QByteArray("old"));
    QVERIFY(QFile::exists(from));
    QVERIFY(QFile::remove(to));
    QVERIFY(files_.Move(from, to));
    QCOMPARE(read(to), QByteArray("new"));
    QVERIFY(!QFile::exists(from));
    QVERIFY(!files_.Move(from, at("m-again.pdf")));  // no source
    QVERIFY(!files_.Move(at("m-to.pdf"), at("no/dir/x.pdf")));
    QVERIFY(QFile::exists(to));
  }

  // Without no-replace renames and links (some FUSE and network file
  // systems) the name is held by an exclusive placeholder: never replaced.
  void theLastResortRenameNeverReplaces() {
    make(at("last-from"), "moved");
    make(at("last-there"), "there");
    QVERIFY(!RenameOverPlaceholder(QFile::encodeName(at("last-from")),
                                   QFile::encodeName(at("last-there"))));
    QCOMPARE(errno, EEXIST);
    QCOMPARE(read(at("last-there")), QByteArray("there"));
    QVERIFY(::symlink("last-there", QFile::encodeName(at("last-link")).constData()) == 0);
    QVERIFY(!RenameOverPlaceholder(QFile::encodeName(at("last-from")),
                                   QFile::encodeName(at("last-link"))));
    QCOMPARE(read(at("last-there")), QByteArray("there"));
    QVERIFY(RenameOverPlaceholder(QFile::encodeName(at("last-from")),
                                  QFile::encodeName(at("last-new"))));
    QCOMPARE(read(at("last-new")), QByteArray("moved"));
    QVERIFY(!QFile::exists(at("last-from")));
    QVERIFY(!RenameOverPlaceholder(QFile::encodeName(at("last-from")),
                                   QFile::encodeName(at("last-none"))));  // nothing to move
    QVERIFY(!QFile::exists(at("last-none")));
  }

  void moveAcrossFileSystemsIsWholeOrNothing() {
    QTemporaryDir other(QStringLiteral("/dev/shm/folvane-test-XXXXXX"));
    if (!other.isValid() || deviceOf(other.path()) == deviceOf(dir_.path()))
      QSKIP("no second file system here");
    const QString from = other.filePath("x.pdf");
    make(from, QByteArray(3 << 20, 'p'));
    make(at("taken.pdf"), "old");
    QVERIFY(!files_.Move(from, at("taken.pdf")));
    QCOMPARE(read(at("taken.pdf")), QByteArray("old"));
    QVERIFY(files_.Move(from, at("far.pdf")));
    QCOMPARE(read(at("far.pdf")).size(), 3 << 20);
    // The copy has the mode a new file of the user gets, not a temporary
    // file's owner-only one.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(at("far.pdf")).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0666 & ~mask);
    QVERIFY(!QFile::exists(from));
    QCOMPARE(QDir(dir_.path()).entryList({".folvane-move-*"}, QDir::Hidden | QDir::Files).size(),
             0);
  }

  void existsAndDelete() {
    make(at("d.doc"));
    QVERIFY(files_.Exists(at("d.doc")));
    QVERIFY(files_.Exists(dir_.path()));  // a folder takes the name as well
    QVERIFY(!files_.Exists(QString()));
    QVERIFY(files_.Delete(at("d.doc")));
    QVERIFY(!files_.Exists(at("d.doc")));
    QVERIFY(!files_.Delete(at("d.doc")));
  }

  // A source goes only as the version a PDF was made of: the copy the
  // engine read names it, and every other state of the file keeps it.
  void deleteVersionRemovesOnlyTheVersionRead() {
    QVERIFY(QDir().mkpath(at("del")));
    make(at("del/same.doc"), "as read");
    const Snapshot same = snapshotOf(at("del/same.doc"));
    QCOMPARE(same.error, std::string());
    QCOMPARE(files_.DeleteVersion(at("del/same.doc"), same.version), Deletion::Deleted);
    QVERIFY(!QFile::exists(at("del/same.doc")));
    QCOMPARE(files_.DeleteVersion(at("del/same.doc"), same.version), Deletion::Gone);
    QVERIFY(QDir(at("del"))
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                .isEmpty());  // nothing of ours left beside it

    // Rewritten with the same size and its modification time put back: the
    // change time still tells.
    make(at("del/touched.doc"), "version 1");
    const Snapshot touched = snapshotOf(at("del/touched.doc"));
    struct stat before {};
    QCOMPARE(::stat(QFile::encodeName(at("del/touched.doc")).constData(), &before), 0);
    QThread::msleep(20);
    make(at("del/touched.doc"), "version 2");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(at("del/touched.doc")).constData(), times, 0),
             0);
    QCOMPARE(files_.DeleteVersion(at("del/touched.doc"), touched.version), Deletion::Changed);
    QCOMPARE(read(at("del/touched.doc")), QByteArray("version 2"));

    // The same stamp with other bytes (what coarse file times allow): kept.
    make(at("del/bytes.doc"), "bytes");
    FileVersion other = snapshotOf(at("del/bytes.doc")).version;
    other.digest ^= 1;
    QCOMPARE(files_.DeleteVersion(at("del/bytes.doc"), other), Deletion::Changed);
    // Another file saved under its name (a save by rename): kept.
    const FileVersion replaced = snapshotOf(at("del/bytes.doc")).version;
    make(at("del/new.tmp"), "bytes");
    QVERIFY(::rename(QFile::encodeName(at("del/new.tmp")).constData(),
                     QFile::encodeName(at("del/bytes.doc")).constData()) == 0);
    QCOMPARE(files_.DeleteVersion(at("del/bytes.doc"), replaced), Deletion::Changed);
    QCOMPARE(files_.DeleteVersion(at("del/bytes.doc"), FileVersion{}), Deletion::Changed);
    QVERIFY(QFile::exists(at("del/bytes.doc")));
  }

  // A file another program has open for writing (a copy still arriving) is
  // waited for while events go on: deleted when the writer leaves it as it
  // was, kept when it wrote, kept when it stays.
  void deleteVersionWaitsForAWriter() {
    QVERIFY(QDir().mkpath(at("busy")));
    for (const char* name : {"left.doc", "wrote.doc", "stays.doc"})
      make(at("busy/") + name, "part");
    const FileVersion left = snapshotOf(at("busy/left.doc")).version;
    const FileVersion wrote = snapshotOf(at("busy/wrote.doc")).version;
    const FileVersion stays = snapshotOf(at("busy/stays.doc")).version;

    QFile writer(at("busy/left.doc"));
    QVERIFY(writer.open(QIODevice::WriteOnly | QIODevice::Append));
    QTimer::singleShot(400, [&] { writer.close(); });
    QCOMPARE(files_.DeleteVersion(at("busy/left.doc"), left), Deletion::Deleted);
    QVERIFY(!writer.isOpen());  // the wait let the timer run

    QFile writing(at("busy/wrote.doc"));
    QVERIFY(writing.open(QIODevice::WriteOnly | QIODevice::Append));
    QTimer::singleShot(400, [&] {
      writing.write(" and the rest");
      writing.close();
    });
    QCOMPARE(files_.DeleteVersion(at("busy/wrote.doc"), wrote), Deletion::Changed);
    QCOMPARE(read(at("busy/wrote.doc")), QByteArray("part and the rest"));

    QFile open(at("busy/stays.doc"));
    QVERIFY(open.open(QIODevice::ReadWrite));
    QElapsedTimer waited;
    waited.start();
    QCOMPARE(files_.DeleteVersion(at("busy/stays.doc"), stays), Deletion::InUse);
    QVERIFY(waited.elapsed() >= kWriterWaitMs);
    QVERIFY(QFile::exists(at("busy/stays.doc")));
  }

  // The engine's copy is taken only while the file stands still: a file
  // being written just now is waited for, and one that keeps being written
  // is not copied half.
  void snapshotWaitsForAFileBeingWritten() {
    make(at("snap.doc"), "start");
    QFile writer(at("snap.doc"));
    QVERIFY(writer.open(QIODevice::WriteOnly | QIODevice::Append));
    std::thread later([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(600));
      writer.write(" end");
      writer.close();
    });
    const Snapshot done = TakeSnapshot(QFile::encodeName(at("snap.doc")).toStdString(),
                                       QFile::encodeName(at("snap-copy")).toStdString());
    later.join();
    QCOMPARE(done.error, std::string());
    QCOMPARE(read(at("snap-copy")), QByteArray("start end"));
    QCOMPARE(done.version.stamp.size, qint64(9));
    QFile::remove(at("snap-copy"));

    QFile endless(at("snap.doc"));
    QVERIFY(endless.open(QIODevice::WriteOnly | QIODevice::Append));
    std::atomic<bool> stop = false;
    std::thread writing([&] {
      while (!stop) {
        endless.write("x");
        endless.flush();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    });
    const Snapshot busy = TakeSnapshot(QFile::encodeName(at("snap.doc")).toStdString(),
                                       QFile::encodeName(at("snap-copy")).toStdString());
    stop = true;
    writing.join();
    QCOMPARE(busy.error, std::string("busy"));
    QVERIFY(!QFile::exists(at("snap-copy")));
  }

  void clockUsesJapaneseFormsUnderPlainLocales() {
    LinuxClock clock;
    const QString date = clock.DateText();
    const QString time = clock.TimeText();
    QVERIFY2(QRegularExpression("^\\d{4}/\\d{2}/\\d{2}$").match(date).hasMatch(), qPrintable(date));
    QVERIFY2(QRegularExpression("^\\d{2}:\\d{2}:\\d{2}$").match(time).hasMatch(), qPrintable(time));
  }
};

QTEST_GUILESS_MAIN(TestLinuxFiles)
#include "test_LinuxFiles.moc"
