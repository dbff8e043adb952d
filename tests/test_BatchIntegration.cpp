// folvane-batch itself, on the real engine: a folder of good, refused and
// CP932-named documents, what it says and ends with, and what it leaves
// alone.
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "fakes/PdfMaker.h"
#include "fakes/VariedFiles.h"
#include "platform/files/LinuxFiles.h"
#include "platform/office/OfficeEngine.h"

using namespace folvane;

namespace {

// Every bookmark of a PDF, as qpdf reads it: "title>page".
QStringList outlineOf(const QString& pdf) {
  QProcess qpdf;
  qpdf.start("qpdf", {"--json=2", "--json-key=outlines", pdf});
  qpdf.waitForFinished(30000);
  QStringList out;
  std::function<void(const QJsonArray&)> walk = [&](const QJsonArray& items) {
    for (const auto& v : items) {
      const QJsonObject o = v.toObject();
      out << o.value("title").toString() + ">" +
                 QString::number(o.value("destpageposfrom1").toInt());
      walk(o.value("kids").toArray());
    }
  };
  walk(QJsonDocument::fromJson(qpdf.readAllStandardOutput()).object().value("outlines").toArray());
  return out;
}

struct Ran {
  int status = -1;
  QString out, err;
};

}  // namespace

class TestBatchIntegration : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  std::unique_ptr<platform::OfficeEngine> engine_;

  QString at(const QString& name) const { return dir_.filePath(name); }
  // The command with its data in this test's folder, not the user's.
  Ran batch(const QStringList& arguments, const QString& wrapper = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", at("xdg"));
    // A temporary folder of its own, to see what is left in it; a session's
    // runtime folder, as a desktop has one (Qt makes one in the temporary
    // folder otherwise).
    QDir().mkpath(at("systemp"));
    env.insert("TMPDIR", at("systemp"));
    QDir().mkpath(at("runtime"));
    QFile::setPermissions(at("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert("XDG_RUNTIME_DIR", at("runtime"));
    p.setProcessEnvironment(env);
    if (wrapper.isEmpty()) {
      p.start(QStringLiteral(BATCH), arguments);
    } else {  // under a terminal: script(1) gives it one
      QStringList quoted;
      for (const QString& a : QStringList{QStringLiteral(BATCH)} + arguments)
        quoted << "'" + a + "'";
      p.start(wrapper, {"-q", "-e", "-c", quoted.join(u' '), "/dev/null"});
    }
    p.waitForFinished(240000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
  }
  void writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  void makeDocument(const QString& path, const QString& text) {
    const QString html = at("make/page.html");
    writeText(html, fakes::HtmlPage("<p>" + text + "</p>").toUtf8());
    engine_->Convert(html, path, "doc");
  }

 private slots:
  void initTestCase() {
    for (const char* sub : {"make", "src", "dest", "xdg/folvane/windows"})
      QVERIFY(QDir().mkpath(at(sub)));
    platform::OfficeEngine::Options options;
    options.helperPath = QStringLiteral(OFFICE_HELPER);
    options.profileDir = at("make-profile");
    engine_ = std::make_unique<platform::OfficeEngine>(options);
  }

  void aFolderIsConvertedAndEveryFileAccountedFor() {
    makeDocument(at("src/letter.doc"), "Quarterly letter");
    makeDocument(at("make/cp.doc"), "売上報告");
    // 報告.doc with its name in CP932, as a Windows share delivers it.
    QVERIFY(::rename(QFile::encodeName(at("make/cp.doc")).constData(),
                     (QFile::encodeName(at("src")) + "/\x95\xf1\x8d\x90.doc").constData()) == 0);
    writeText(at("src/notes.doc"), "only text, no Word document");
    writeText(at("src/readme.txt"), "left alone");
    // The window's own world, which the command must not touch.
    writeText(at("xdg/folvane/windows/win.ini"), "[windows]\r\ndevice=Office,winspool,Ne00:\r\n");

    const Ran r = batch(
        {"convert", at("src"), at("dest"), "--delete-sources", "--log", at("conv.log"), "--json"});
    QCOMPARE(r.status, 1);
    // The refused one named with its reason, and kept; the others gone, each
    // with its PDF.
    QVERIFY2(r.err.contains("変換できませんでした：" + at("src/notes.doc") +
                            "：Word 文書ではありません（中身は文字だけのテキストです）。"),
             qPrintable(r.err));
    QVERIFY(r.err.contains("2 件変換しました。1 件変換できませんでした。"));
    QVERIFY(!r.err.contains(u'\r'));  // no progress line off a terminal
    QCOMPARE(QDir(at("src")).entryList(QDir::Files), (QStringList{"notes.doc", "readme.txt"}));
    QCOMPARE(QDir(at("dest")).entryList(QDir::Files), (QStringList{"letter.pdf", "報告.pdf"}));
    // The log as the window writes it: three lines a file.
    QFile log(at("conv.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 9);
    QVERIFY(lines[1].startsWith("変換前：" + at("src/")));
    QVERIFY(lines.contains("          --------> 変換後：" + at("dest/letter.pdf")));
    // One JSON object a file.
    QStringList results;
    for (const QString& line : r.out.split(u'\n', Qt::SkipEmptyParts)) {
      const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
      results << QFileInfo(o["path"].toString()).fileName() + " " + o["result"].toString() + " " +
                     QFileInfo(o["output"].toString()).fileName();
    }
    results.sort();
    QCOMPARE(results, (QStringList{"letter.doc converted letter.pdf", "notes.doc failed ",
                                   "報告.doc converted 報告.pdf"}));
    // The window's win.ini is as it was, and its registry never made.
    QFile ini(at("xdg/folvane/windows/win.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), QByteArray("[windows]\r\ndevice=Office,winspool,Ne00:\r\n"));
    QVERIFY(!QFile::exists(at("xdg/folvane/windows/registry.json")));
    QVERIFY(QDir(at("xdg/folvane/spool")).isEmpty());
    // Nothing of the command's or LibreOffice's is left in the temporary
    // folder, and no empty record in the system folder.
    const QStringList left =
        QDir(at("systemp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
    QVERIFY(!QFile::exists(at("xdg/folvane/printer-switch.ini")));
  }

  // A folder another run holds is left alone (status 3); a bad command line
  // is status 2; a terminal gets a progress line.
  void busyFoldersBadUsageAndTerminals() {
    makeDocument(at("src/second.doc"), "Second letter");
    {
      platform::LinuxFiles files(platform::CodePage("UTF-8"), {}, at("xdg/folvane/claims"));
      const auto other = files.ClaimFolder(at("src"));
      QVERIFY(other);
      const Ran busy = batch({"convert", at("src"), at("dest")});
      QCOMPARE(busy.status, 3);
      QVERIFY2(busy.err.contains("ほかの変換が処理中"), qPrintable(busy.err));
      QVERIFY(QFile::exists(at("src/second.doc")));
    }
    const Ran bad = batch({"convert", at("src")});
    QCOMPARE(bad.status, 2);
    QVERIFY(bad.out.isEmpty());
    QVERIFY(bad.err.contains("--help"));

    const Ran shown = batch({"convert", at("src"), at("dest")}, QStringLiteral("script"));
    QCOMPARE(shown.status, 1);  // notes.doc again
    QVERIFY2(shown.out.contains(QStringLiteral("\r1/3 件")), qPrintable(shown.out));
    QVERIFY(QFile::exists(at("dest/second.pdf")));
  }

  // --modern: today's formats converted, named without their extension;
  // one that only bears the name is refused.
  void todaysFormatsOnRequest() {
    QVERIFY(QDir().mkpath(at("modern")) && QDir().mkpath(at("modern-dest")));
    const QString html = at("make/modern.html");
    writeText(html, fakes::HtmlPage("<p>Minutes of the meeting</p>").toUtf8());
    engine_->Convert(html, at("modern/minutes.docx"), "docx");
    makeDocument(at("modern/minutes.doc"), "Old minutes");
    writeText(at("modern/fake.xlsx"), "a,b\n1,2\n");
    const Ran plain = batch({"convert", at("modern"), at("modern-dest")});
    QCOMPARE(plain.status, 0);  // .docx and .xlsx left alone
    QCOMPARE(QDir(at("modern-dest")).entryList(QDir::Files), QStringList{"minutes.pdf"});

    QDir(at("modern-dest")).removeRecursively();
    QVERIFY(QDir().mkpath(at("modern-dest")));
    const Ran r = batch({"convert", at("modern"), at("modern-dest"), "--modern"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(at("modern/fake.xlsx") + "：Excel ブックではありません"),
             qPrintable(r.err));
    QCOMPARE(QDir(at("modern-dest")).entryList(QDir::Files),
             (QStringList{"minute1.pdf", "minutes.pdf"}));
    QProcess text;
    text.start("pdftotext", {at("modern-dest/minute1.pdf"), "-"});
    QVERIFY(text.waitForFinished(20000));
    QVERIFY(text.readAllStandardOutput().contains("Minutes of the meeting"));
  }

  // Printed through the private CUPS scheduler (its own CTest entry starts
  // it): one job a file on the printer named, or on CUPS's default.
  void printsOnTheNamedOrTheDefaultPrinter() {
    const QString server = qEnvironmentVariable("CUPS_SERVER");
    if (server.isEmpty() || !QFileInfo::exists(server))
      QSKIP("runs as test_BatchPrint, beside the private CUPS scheduler");
    const QDir out(QFileInfo(server).absolutePath() + "/out");
    const auto jobs = [&](const QString& printer) {
      return out.entryList({printer + "-*.prn"}, QDir::Files).size();
    };
    const qsizetype floor2 = jobs("Floor2,east"), office = jobs("Office");
    QVERIFY(QDir().mkpath(at("print")));
    fakes::MakePdf(at("print/1.pdf"), "One", 1);
    fakes::MakePdf(at("print/2.pdf"), "Two", 2);
    const Ran named = batch({"print", at("print"), "--printer", "Floor2,east", "--json"});
    QCOMPARE(named.status, 0);
    QCOMPARE(named.out.count("\"result\":\"printed\""), 2);
    QTRY_COMPARE_WITH_TIMEOUT(jobs("Floor2,east"), floor2 + 2, 20000);
    const Ran byDefault = batch({"print", at("print")});
    QCOMPARE(byDefault.status, 0);
    QVERIFY2(byDefault.err.contains("2 件を「Office」に印刷しました。"), qPrintable(byDefault.err));
    QTRY_COMPARE_WITH_TIMEOUT(jobs("Office"), office + 2, 20000);
    QCOMPARE(batch({"print", at("print"), "--printer", "Nobody"}).status, 3);
  }

  // Every file's bookmarks are kept; an unreadable input leaves nothing
  // written.
  void mergesKeepEveryBookmarkOrWriteNothing() {
    QVERIFY(QDir().mkpath(at("pdfs")));
    fakes::MakePdf(at("pdfs/1.pdf"), "One", 2);
    fakes::MakePdf(at("pdfs/2.pdf"), "Two", 3);
    const Ran r = batch({"merge", at("pdfs"), at("all.pdf"), "--json"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out.count(u'\n'), 2);
    const QStringList marks = outlineOf(at("all.pdf"));
    QCOMPARE(marks.size(), outlineOf(at("pdfs/1.pdf")).size() + outlineOf(at("pdfs/2.pdf")).size());
    QVERIFY2(marks.contains("One-1>1") && marks.contains("Two-1>3") && marks.contains("Two-3>5"),
             qPrintable(marks.join(u' ')));

    writeText(at("pdfs/3.pdf"), "%PDF-1.4 cut short");
    const Ran bad = batch({"merge", at("pdfs"), at("none.pdf")});
    QCOMPARE(bad.status, 1);
    QVERIFY2(bad.err.contains("3.pdf"), qPrintable(bad.err));
    QVERIFY(!QFile::exists(at("none.pdf")));
  }
};

QTEST_GUILESS_MAIN(TestBatchIntegration)
#include "test_BatchIntegration.moc"
