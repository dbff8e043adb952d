// The command's run over the fakes: what it tells, in which words, and the
// status it ends with; and the command line it reads.
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "batch/BatchCommand.h"
#include "batch/BatchRun.h"
#include "fakes/FakePlatform.h"

using namespace folvane;
using folvane::fakes::FakePlatform;

namespace {

// One command run: real folders (the command looks at them first), the
// files in the fakes under the same names.
struct Command {
  QTemporaryDir dir;
  FakePlatform fake;
  frmImage imagePage;
  QString out, err;
  QString src = dir.filePath("src"), dest = dir.filePath("dest");

  Command() {
    QDir().mkpath(src);
    QDir().mkpath(dest);
  }
  int run(batch::Request request) {
    if (request.source.isEmpty()) request.source = src;
    if (request.target.isEmpty()) request.target = dest;
    QTextStream o(&out), e(&err);
    return batch::BatchRun(fake.platform, imagePage, o, e).Run(request);
  }
  QList<QJsonObject> json() const {
    QList<QJsonObject> lines;
    for (const QString& line : out.split(u'\n', Qt::SkipEmptyParts))
      lines << QJsonDocument::fromJson(line.toUtf8()).object();
    return lines;
  }
};

}  // namespace

class TestBatchRun : public QObject {
  Q_OBJECT
 private slots:
  void theCommandLineIsReadStrictly() {
    const auto parse = [](const QStringList& a) { return batch::ParseArguments(a); };
    auto p = parse(
        {"convert", "in", "out", "--delete-sources", "--replace", "--log", "l.log", "--json"});
    QVERIFY(p.request);
    QCOMPARE(p.request->source, QStringLiteral("in"));
    QCOMPARE(p.request->target, QStringLiteral("out"));
    QVERIFY(p.request->deleteSources && p.request->replace && p.request->json);
    QCOMPARE(p.request->log, QStringLiteral("l.log"));
    // A folder that looks like an option, after "--".
    p = parse({"convert", "--", "-in", "out"});
    QVERIFY(p.request);
    QCOMPARE(p.request->source, QStringLiteral("-in"));
    for (const QStringList& bad :
         {QStringList{}, QStringList{"convert", "in"}, QStringList{"convert", "a", "b", "c"},
          QStringList{"convert", "a", "b", "--log"}, QStringList{"convert", "a", "b", "--fast"},
          QStringList{"convert", "", "b"}, QStringList{"fold", "a", "b"}}) {
      p = parse(bad);
      QVERIFY2(!p.request && p.status == batch::kBadUsage, qPrintable(bad.join(u' ')));
      QVERIFY(p.text.contains("folvane-batch --help"));
    }
    p = parse({"print", "in", "--printer", "Office"});
    QVERIFY(p.request && p.request->job == batch::Job::Print);
    QCOMPARE(p.request->printer, QStringLiteral("Office"));
    // Options belong to their job.
    QVERIFY(!parse({"merge", "a", "b.pdf", "--delete-sources"}).request);
    QVERIFY(!parse({"print", "a", "b"}).request);
    p = parse({"convert", "--help"});
    QVERIFY(!p.request && p.status == batch::kDone && p.text.startsWith("使い方:"));
    p = parse({"--version"});
    QVERIFY(p.text.startsWith("folvane-batch "));
  }

  // Good, refused and kept files: each told with its reason, the status 1;
  // with --json every file a line that parses.
  void eachFileIsToldAndTheStatusSaysHowItWent() {
    Command c;
    c.fake.printers.current = "Office";
    for (const char* name : {"a.doc", "b.doc", "c.xls", "notes.txt"})
      c.fake.files.put(c.src + "/" + name);
    c.fake.office.failPrint << c.src + "/b.doc";
    c.fake.files.inUse << QDir::cleanPath(c.src + "/c.xls");
    batch::Request r;
    r.deleteSources = true;
    r.json = true;
    QCOMPARE(c.run(r), batch::kSomeFailed);
    QVERIFY(!c.fake.files.has(c.src + "/a.doc"));
    QVERIFY(c.fake.files.has(c.src + "/b.doc"));
    QVERIFY(c.fake.files.has(c.src + "/c.xls"));
    QVERIFY(c.fake.files.has(c.dest + "/c.pdf"));
    QCOMPARE(c.err.split(u'\n', Qt::SkipEmptyParts),
             (QStringList{
                 "変換できませんでした：" + c.src + "/b.doc：engine crashed",
                 "元のファイルを残しました：" + c.src +
                     "/c.xls：ほかのプログラムが書き込み中のため、削除しませんでした。",
                 "2 件変換しました。1 件変換できませんでした。1 件は元のファイルを残しました。"}));
    const auto lines = c.json();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0]["path"].toString(), c.src + "/a.doc");
    QCOMPARE(lines[0]["result"].toString(), QStringLiteral("converted"));
    QCOMPARE(lines[0]["output"].toString(), c.dest + "/a.pdf");
    QVERIFY(lines[0]["reason"].isNull());
    QVERIFY(lines[0]["deleted"].toBool());
    QCOMPARE(lines[1]["result"].toString(), QStringLiteral("failed"));
    QVERIFY(lines[1]["output"].isNull());
    QCOMPARE(lines[1]["reason"].toString(), QStringLiteral("engine crashed"));
    QCOMPARE(lines[2]["result"].toString(), QStringLiteral("kept"));
    QVERIFY(!lines[2]["deleted"].toBool());
    // The default printer of the command's world is put back.
    QCOMPARE(c.fake.printers.current, QStringLiteral("Office"));

    Command good;
    good.fake.files.put(good.src + "/a.doc");
    QCOMPARE(good.run({}), batch::kDone);
    QVERIFY(good.out.isEmpty());  // no --json
    QCOMPARE(good.err, QStringLiteral("1 件変換しました。\n"));
  }

  // A merge writes only when every PDF opened; each file is told, and the
  // status says whether the merged file was written.
  void mergesTellEveryFile() {
    Command c;
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) c.fake.files.put(c.src + "/" + name);
    batch::Request r;
    r.job = batch::Job::Merge;
    r.target = c.dir.filePath("all.pdf");
    r.json = true;
    QCOMPARE(c.run(r), batch::kDone);
    QCOMPARE(c.err, "3 件を「" + r.target + "」に統合しました。\n");
    QCOMPARE(c.json().size(), 3);
    QCOMPARE(c.json()[1]["result"].toString(), QStringLiteral("merged"));
    QCOMPARE(c.json()[1]["output"].toString(), r.target);

    Command bad;
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) bad.fake.files.put(bad.src + "/" + name);
    bad.fake.automation.failOpen << bad.src + "/b.pdf";
    r.target = bad.dir.filePath("all.pdf");
    QCOMPARE(bad.run(r), batch::kSomeFailed);
    QVERIFY(bad.fake.automation.log.filter(".Save(").isEmpty());
    QVERIFY(bad.err.contains("・cannot open " + bad.src + "/b.pdf"));
    QStringList results;
    for (const auto& o : bad.json()) results << o["result"].toString();
    QCOMPARE(results, (QStringList{"not-merged", "failed", "not-merged"}));

    Command empty;
    r.target = empty.dir.filePath("all.pdf");
    QCOMPARE(empty.run(r), batch::kSomeFailed);
    QVERIFY(empty.err.contains("PDF ファイルがありません"));
    r.target = empty.src;  // a folder is no file to write
    QCOMPARE(empty.run(r), batch::kCannotRun);
  }

  // A print goes to the system's default printer or the one named, never
  // to the PDF printer whose file would go with the command; a failing
  // file stops it.
  void printsGoToARealPrinter() {
    Command c;
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) c.fake.files.put(c.src + "/" + name);
    batch::Request r;
    r.job = batch::Job::Print;
    r.json = true;
    QCOMPARE(c.run(r), batch::kDone);
    QCOMPARE(c.fake.automation.log.filter(".PrintPages(").size(), 3);
    QCOMPARE(c.json()[2]["output"].toString(), QStringLiteral("Office"));
    QVERIFY(c.err.endsWith("3 件を「Office」に印刷しました。\n"));

    for (const QString& printer : {QStringLiteral("Acrobat PDFWriter"), QStringLiteral("Nope")}) {
      Command other;
      other.fake.files.put(other.src + "/a.pdf");
      r.printer = printer;
      QCOMPARE(other.run(r), batch::kCannotRun);
      QVERIFY(other.fake.automation.log.filter(".PrintPages(").isEmpty());
    }

    Command broken;
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"})
      broken.fake.files.put(broken.src + "/" + name);
    broken.fake.automation.failOpen << broken.src + "/b.pdf";
    r.printer.clear();
    QCOMPARE(broken.run(r), batch::kSomeFailed);
    QCOMPARE(broken.fake.automation.log.filter(".PrintPages(").size(), 1);
    QStringList results;
    for (const auto& o : broken.json()) results << o["result"].toString();
    QCOMPARE(results, (QStringList{"printed", "failed"}));
    QVERIFY(broken.err.contains("印刷を中止しました：cannot open"));
  }

  // What keeps a run from starting at all ends it with 3, nothing done.
  void whatKeepsTheRunFromStartingIsStatus3() {
    Command c;
    c.fake.files.put(c.src + "/a.doc");
    batch::Request r;
    r.source = c.dir.filePath("nowhere");
    QCOMPARE(c.run(r), batch::kCannotRun);
    QCOMPARE(c.err, "変換元のフォルダー「" + r.source + "」がありません。\n");

    Command d;
    d.fake.files.put(d.src + "/a.doc");
    batch::Request toFile;
    toFile.target = d.src + "/a.doc";
    QFile plain(toFile.target);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    QCOMPARE(d.run(toFile), batch::kCannotRun);
    QVERIFY(d.err.startsWith("変換先のフォルダー"));

    Command noLog;
    noLog.fake.files.put(noLog.src + "/a.doc");
    batch::Request logged;
    logged.log = noLog.dir.filePath("missing/conv.log");
    QCOMPARE(noLog.run(logged), batch::kCannotRun);
    QCOMPARE(noLog.err, "ログファイル「" + logged.log + "」に書き込めません。\n");
    QVERIFY(noLog.fake.office.log.isEmpty());

    Command busy;
    busy.fake.files.put(busy.src + "/a.doc");
    const auto other = busy.fake.files.ClaimFolder(busy.src);
    QCOMPARE(busy.run({}), batch::kCannotRun);
    QVERIFY(busy.err.contains("ほかの変換が処理中"));
    QVERIFY(busy.fake.files.has(busy.src + "/a.doc"));
    QVERIFY(busy.fake.office.log.isEmpty());
  }
};

QTEST_MAIN(TestBatchRun)
#include "test_BatchRun.moc"
