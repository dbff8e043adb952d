#include <QTest>

#include "convert/modConvPDF.h"
#include "fakes/FakePlatform.h"

using namespace folvane;
using folvane::fakes::FakePlatform;

namespace {

const QString kCollect = FakePlatform::kCollectingFile;

// One batch run over the fakes, with the settings a test changes first.
struct Run {
  FakePlatform fake;
  SettingsRecord settings;
  frmImage imagePage;

  Run() {
    settings.SourceDir = "/src";
    settings.DestDir = "/dest";
    settings.LogFile = "/logs/conv.log";
  }
  QList<ConversionFailure> go() {
    return modConvPDF(fake.platform, settings, imagePage).ConvertDirectory();
  }
  QStringList logLines() const {
    QStringList lines = QString::fromUtf8(fake.files.at(settings.LogFile)).split("\r\n");
    lines.removeLast();  // after the last CR LF
    return lines;
  }
  QStringList registryNames() const {
    QStringList names;
    for (const auto& set : fake.registry.sets) names << QString::fromUtf8(set.data.chopped(1));
    return names;
  }
};

}  // namespace

class TestModConvPDF : public QObject {
  Q_OBJECT
 private slots:
  void exactLogBytesAppendedInOrder() {
    Run r;
    r.fake.files.put("/logs/conv.log", "earlier run\r\n");
    r.fake.files.put("/src/a.doc");
    QVERIFY(r.go().isEmpty());
    QCOMPARE(r.fake.files.at("/logs/conv.log"),
             QStringLiteral("earlier run\r\n"
                            "処理実行日：2003/05/12    時間は：13:45:07  です。\r\n"
                            "変換前：/src/a.doc  ------> \r\n"
                            "          --------> 変換後：/dest/a.pdf\r\n")
                 .toUtf8());
    QCOMPARE(r.fake.clock.reads, (QStringList{"date", "time"}));
    QCOMPARE(r.fake.files.at("/dest/a.pdf"), QByteArray("%PDF-1.4 from /src/a.doc"));
    QVERIFY(!r.fake.files.has(kCollect));
    QVERIFY(r.fake.files.has("/src/a.doc"));  // SourceDel off
  }

  void outputNameIsSetBeforeTheKeyIsTestedAndEventsRunForEveryFile() {
    Run r;
    r.fake.files.put("/src/a.doc");
    r.fake.files.put("/src/b.txt");
    QList<std::pair<qsizetype, qsizetype>> atEvents;  // registry sets, office calls
    QList<QPair<qsizetype, qsizetype>> progressAtEvents;
    r.fake.ui.onDoEvents = [&] {
      atEvents.append({r.fake.registry.sets.size(), r.fake.office.log.size()});
      progressAtEvents.append(r.fake.progress.shown.back());
    };
    r.go();
    QCOMPARE(r.registryNames(), (QStringList{"/sys-folder/tmp/a.pdf", "/sys-folder/tmp/b.pdf"}));
    QCOMPARE(r.fake.office.log,
             (QStringList{"Create Word", "Open /src/a.doc", "PrintOut", "Quit"}));
    // Printed before the events of its file; the skipped file still gets both.
    QCOMPARE(atEvents, (QList<std::pair<qsizetype, qsizetype>>{{1, 4}, {2, 4}}));
    QCOMPARE(r.logLines().size(), 3);
    // The launcher entry counts every listed file, as the events pass it,
    // and is hidden when the run is over.
    QCOMPARE(progressAtEvents, (QList<QPair<qsizetype, qsizetype>>{{1, 2}, {2, 2}}));
    QCOMPARE(r.fake.progress.shown.first(), (QPair<qsizetype, qsizetype>{0, 2}));
    QVERIFY(!r.fake.progress.visible());
  }

  void keysLookAtTheLastThreeLettersOnly() {
    Run r;
    for (const char* name : {"a.Doc", "B.XLS", "c.jpg", "d.TIF", "e.docx", "f.jpeg", "g.tiff",
                             "h.pdf", "i.xlsx", "readme"})
      r.fake.files.put(QStringLiteral("/src/") + name);
    r.fake.files.put("/src/.hidden.doc");
    r.fake.files.put("/src/sub/j.doc");
    const auto failures = r.go();
    QCOMPARE(r.fake.office.log,
             (QStringList{"Create Word", "Open /src/a.Doc", "PrintOut", "Quit", "Create Excel",
                          "Open /src/B.XLS", "PrintOut", "Quit"}));
    // The documents were announced in the run's order, and dropped at its end.
    QCOMPARE(r.fake.office.expected, (QList<QStringList>{{"/src/a.Doc", "/src/B.XLS"}, {}}));
    QCOMPARE(r.imagePage.loadCount(), 2);
    QCOMPARE(r.imagePage.strImageNm, QStringLiteral("/src/d.TIF"));
    QVERIFY(!r.imagePage.isLoaded());
    QCOMPARE(r.logLines().size(), 4 * 3);  // images are logged too
    QVERIFY(r.fake.files.has("/dest/a.pdf") && r.fake.files.has("/dest/B.pdf"));
    QVERIFY(!r.fake.files.has("/dest/c.pdf"));  // the image page prints nothing
    QVERIFY(failures.isEmpty());                // and that is no failure
    QCOMPARE(r.registryNames().size(), 10);
  }

  // Asked for, today's formats go too, by their whole extension: the PDF
  // drops it, and a .doc and a .docx of one name share the clash rule.
  void todaysFormatsWhenAskedFor() {
    Run r;
    r.settings.ModernFormats = true;
    for (const char* name : {"report.doc", "report.docx", "b.DOCM", "c.xlsx", "d.Xlsm", "e.rtf",
                             "f.odt", "g.ods", "h.docx.txt", "i.pptx", ".docx", "j.xls"})
      r.fake.files.put(QStringLiteral("/src/") + name);
    QVERIFY(r.go().isEmpty());
    QCOMPARE(
        r.fake.office.log.filter("Create"),
        (QStringList{"Create Word", "Create Excel", "Create Excel", "Create Word", "Create Word",
                     "Create Excel", "Create Excel", "Create Word", "Create Word"}));
    for (const char* pdf : {"b.pdf", "c.pdf", "d.pdf", "e.pdf", "f.pdf", "g.pdf", "j.pdf",
                            "report.pdf", "repor1.pdf"})
      QVERIFY2(r.fake.files.has(QStringLiteral("/dest/") + pdf), pdf);
    // In listing order report.doc comes first and takes the plain name.
    QCOMPARE(r.fake.files.at("/dest/report.pdf"), QByteArray("%PDF-1.4 from /src/report.doc"));
    QCOMPARE(r.fake.files.at("/dest/repor1.pdf"), QByteArray("%PDF-1.4 from /src/report.docx"));
    QCOMPARE(r.registryNames().filter("/c.pdf"), QStringList{"/sys-folder/tmp/c.pdf"});
    QCOMPARE(r.logLines().size(), 9 * 3);

    // Not asked for (the settings file has no such key): left alone.
    Run off;
    off.fake.files.put("/src/report.docx");
    off.fake.files.put("/src/c.xlsx");
    QVERIFY(off.go().isEmpty());
    QVERIFY(off.fake.office.log.isEmpty());
    QVERIFY(off.logLines().isEmpty());
  }

  void baseNameDropsExactlyFourCharacters() {
    Run r;
    r.fake.files.put("/src/a.b.doc");
    r.go();
    QCOMPARE(r.registryNames(), QStringList{"/sys-folder/tmp/a.b.pdf"});
    QVERIFY(r.fake.files.has("/dest/a.b.pdf"));
  }

  void freeNameSearch_data() {
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("landsAs");
    QTest::newRow("free") << QStringList{} << "report.pdf";
    QTest::newRow("two taken") << QStringList{"report.pdf", "repor1.pdf"} << "repor2.pdf";
    QStringList upTo10{"report.pdf"};
    for (int i = 1; i <= 9; ++i) upTo10 << QStringLiteral("repor%1.pdf").arg(i);
    QTest::newRow("past nine") << upTo10 << "repor10.pdf";
    QTest::newRow("past ten") << (upTo10 << "repor10.pdf") << "repor111.pdf";
    QTest::newRow("past eleven") << (QStringList(upTo10) << "repor10.pdf"
                                                         << "repor111.pdf")
                                 << "repor1112.pdf";
  }
  void freeNameSearch() {
    QFETCH(QStringList, existing);
    QFETCH(QString, landsAs);
    Run r;
    r.fake.files.put("/src/report.doc");
    for (const QString& name : existing) r.fake.files.put("/dest/" + name, "old");
    QVERIFY(r.go().isEmpty());
    QCOMPARE(r.fake.files.at("/dest/" + landsAs), QByteArray("%PDF-1.4 from /src/report.doc"));
    for (const QString& name : existing)
      QCOMPARE(r.fake.files.at("/dest/" + name), QByteArray("old"));
    QCOMPARE(r.logLines().last(), "          --------> 変換後：/dest/" + landsAs);
  }

  void nameSearchGivesUpAtItsLimit() {
    Run r;
    r.fake.files.put("/src/report.doc");
    int asked = 0;
    r.fake.files.alsoExists = [&](const QString& path) {
      return path.startsWith("/dest/") && ++asked;
    };
    const auto failures = r.go();
    QCOMPARE(failures.size(), 1);
    QVERIFY(failures[0].reason.contains("空いているファイル名"));
    QVERIFY(asked > 90 && asked <= modConvPDF::kSearchLimit + 1);
    QVERIFY(r.fake.files.has(kCollect));  // the PDF stays where the printer put it
    QCOMPARE(r.logLines().size(), 2);     // no destination to name
  }

  void destDupOnWithAnExistingFileKeepsTheOldOneAndTheSource() {
    Run r;
    r.settings.DestDup = true;
    r.settings.SourceDel = true;
    r.fake.files.put("/src/report.doc");
    r.fake.files.put("/dest/report.pdf", "old");
    const auto failures = r.go();
    QCOMPARE(r.fake.files.at("/dest/report.pdf"), QByteArray("old"));
    QCOMPARE(r.logLines().last(), QStringLiteral("          --------> 変換後：/dest/report.pdf"));
    QVERIFY(r.fake.files.has("/src/report.doc"));
    QCOMPARE(failures.size(), 1);
    QVERIFY(failures[0].reason.contains("同じ名前"));
  }

  void sourcesGoOnlyAfterTheirOwnPdfIsPlaced() {
    Run r;
    r.settings.SourceDel = true;
    for (const char* name : {"ok.doc", "crash.doc", "empty.xls", "pic.jpg"})
      r.fake.files.put(QStringLiteral("/src/") + name);
    r.fake.files.put(kCollect, "%PDF leftover of an earlier file");
    r.fake.office.failPrint << "/src/crash.doc";
    r.fake.office.printNothing << "/src/empty.xls";
    // Each file is told as the run goes: what became of it and where its
    // PDF is (the command's report).
    QStringList told;
    modConvPDF run(r.fake.platform, r.settings, r.imagePage);
    run.OnFile([&](const ConvertedFile& f) {
      told << QStringLiteral("%1 %2 [%3] %4%5")
                  .arg(f.source)
                  .arg(int(f.result))
                  .arg(f.output, f.reason, f.deleted ? " deleted" : "");
    });
    const auto failures = run.ConvertDirectory();
    QCOMPARE(told, (QStringList{"/src/crash.doc 1 [] engine crashed",
                                "/src/empty.xls 1 [] PDF が出力されませんでした。",
                                "/src/ok.doc 0 [/dest/ok.pdf]  deleted",
                                "/src/pic.jpg 1 [] PDF が出力されませんでした。"}));
    QVERIFY(!r.fake.files.has("/src/ok.doc"));
    QVERIFY(r.fake.files.has("/src/crash.doc"));
    QVERIFY(r.fake.files.has("/src/empty.xls"));
    QVERIFY(r.fake.files.has("/src/pic.jpg"));  // an image never gives a PDF
    QVERIFY(!r.fake.files.has("/dest/crash.pdf"));
    QVERIFY(!r.fake.files.has("/dest/empty.pdf"));  // the leftover never takes its name
    QVERIFY(!r.fake.files.has("/dest/pic.pdf"));
    QCOMPARE(failures.size(), 2);
    QCOMPARE(failures[0].name, QStringLiteral("crash.doc"));
    QCOMPARE(failures[0].reason, QStringLiteral("engine crashed"));
    QCOMPARE(failures[1].name, QStringLiteral("empty.xls"));
    QCOMPARE(failures[1].reason, QStringLiteral("PDF が出力されませんでした。"));
    QCOMPARE(r.logLines().size(), 4 * 3);  // every printed file keeps its three lines
  }

  // A source goes only as the version its PDF shows: one saved while it
  // printed, or written by another program, or that cannot be removed, is
  // kept, and each is told apart from the files that gave no PDF.
  void sourcesGoOnlyAsTheVersionPrinted() {
    Run r;
    r.settings.SourceDel = true;
    for (const char* name : {"a.doc", "saved.doc", "same.xls", "open.doc", "locked.xls"})
      r.fake.files.put(QStringLiteral("/src/") + name, "v1");
    r.fake.files.inUse << "/src/open.doc";
    r.fake.files.failDelete << "/src/locked.xls";
    r.fake.office.duringPrint = [&] {
      const QString doc = r.fake.office.log.filter("Open ").last().mid(5);
      // Saved again while it prints; the same bytes saved again count too.
      if (doc.endsWith("saved.doc")) r.fake.files.put(doc, "v2");
      if (doc.endsWith("same.xls")) r.fake.files.put(doc, "v1");
    };
    const auto failures = r.go();
    QVERIFY(!r.fake.files.has("/src/a.doc"));
    QCOMPARE(r.fake.files.at("/src/saved.doc"), QByteArray("v2"));
    QVERIFY(r.fake.files.has("/src/same.xls"));
    QVERIFY(r.fake.files.has("/src/open.doc"));
    QVERIFY(r.fake.files.has("/src/locked.xls"));
    for (const char* pdf : {"a.pdf", "saved.pdf", "same.pdf", "open.pdf", "locked.pdf"})
      QVERIFY2(r.fake.files.has(QStringLiteral("/dest/") + pdf), pdf);
    QMap<QString, QString> kept;
    for (const auto& f : failures) {
      QVERIFY2(f.kept && !f.notice, qPrintable(f.name));
      kept[f.name] = f.reason;
    }
    QCOMPARE(kept.keys(), (QStringList{"locked.xls", "open.doc", "same.xls", "saved.doc"}));
    QVERIFY(kept["saved.doc"].contains("変換中に変更された"));
    QVERIFY(kept["same.xls"].contains("変換中に変更された"));
    QVERIFY(kept["open.doc"].contains("書き込み中"));
    QCOMPARE(kept["locked.xls"],
             QStringLiteral("削除できませんでした（アクセスする権限がありません）。"));
    const QString text = FailureReport(failures);
    QVERIFY2(text.startsWith("次のファイルは PDF に変換しましたが、元のファイルは残しています。"),
             qPrintable(text));
    QVERIFY(!text.contains("変換できませんでした"));
    // A run without the deletion never asks.
    Run keep;
    keep.fake.files.put("/src/a.doc");
    QVERIFY(keep.go().isEmpty());
    QVERIFY(keep.fake.files.log.filter("Delete /src").isEmpty());
  }

  void aMissingEngineStillLogsEveryFile() {
    Run r;
    r.fake.files.put("/src/a.doc");
    r.fake.files.put("/src/b.xls");
    r.fake.office.failCreate = true;
    const auto failures = r.go();
    QCOMPARE(r.logLines().size(), 6);
    QCOMPARE(failures.size(), 2);
    QCOMPARE(failures[0].reason, QStringLiteral("no engine"));
    QCOMPARE(r.fake.office.log, (QStringList{"Create Word", "Create Excel"}));
  }

  void namesTooShortForABaseName() {
    Run r;
    r.fake.files.put("/src/doc");
    const auto failures = r.go();
    QVERIFY(r.fake.registry.sets.isEmpty());
    QCOMPARE(r.fake.office.log.size(), 4);  // printed all the same
    QCOMPARE(r.logLines().size(), 2);       // but no destination to name
    QVERIFY(r.fake.files.has("/src/doc"));
    QCOMPARE(failures.size(), 1);
  }

  void pathsAreJoinedAsGiven() {
    Run r;
    r.settings.SourceDir = "/src/";
    r.fake.files.put("/src/a.doc");
    r.go();
    QCOMPARE(r.fake.files.log.first(), QStringLiteral("Search /src//*.*"));
    QCOMPARE(r.logLines()[1], QStringLiteral("変換前：/src//a.doc  ------> "));

    Run empty;
    empty.settings.SourceDir.clear();
    empty.go();
    QCOMPARE(empty.fake.files.log.first(), QStringLiteral("Search /*.*"));
  }

  void anEmptyFolderOpensAndClosesTheLogOnly() {
    Run r;
    QVERIFY(r.go().isEmpty());
    QVERIFY(r.fake.files.has("/logs/conv.log"));
    QVERIFY(r.fake.files.at("/logs/conv.log").isEmpty());
    QVERIFY(r.fake.office.log.isEmpty());
    QCOMPARE(r.fake.ui.doEventsCount, 0);
    QVERIFY(!r.fake.progress.visible());
  }

  void aLogThatCannotBeOpenedLosesOnlyItsLines() {
    Run r;
    r.fake.files.failAppend << "/logs/conv.log";
    r.fake.files.put("/src/a.doc");
    QVERIFY(r.go().isEmpty());
    QVERIFY(r.fake.files.has("/dest/a.pdf"));
    QVERIFY(!r.fake.files.has("/logs/conv.log"));
  }

  void aLostLogIsToldWhenSourcesWereDeleted() {
    Run r;
    r.settings.SourceDel = true;
    r.fake.files.failAppend << "/logs/conv.log";
    r.fake.files.put("/src/a.doc");
    r.fake.files.put("/src/b.doc");
    r.fake.office.failPrint << "/src/b.doc";
    const auto failures = r.go();
    QVERIFY(!r.fake.files.has("/src/a.doc"));
    QCOMPARE(failures.size(), 2);
    QVERIFY(failures[0].notice);
    // One message: the notice first, naming the log, then the files.
    const QString text = FailureReport(failures);
    QVERIFY(text.startsWith("ログファイル「/logs/conv.log」を開けなかったため"));
    QVERIFY(text.contains("・b.doc：engine crashed"));
    QCOMPARE(text.count("/logs/conv.log"), 1);

    // Nothing deleted (every file failed): nothing is missing from a record.
    Run kept;
    kept.settings.SourceDel = true;
    kept.fake.files.failAppend << "/logs/conv.log";
    kept.fake.files.put("/src/b.doc");
    kept.fake.office.failPrint << "/src/b.doc";
    const auto only = kept.go();
    QCOMPARE(only.size(), 1);
    QVERIFY(!only[0].notice);
    // A notice alone is the whole message.
    QCOMPARE(FailureReport({{"/l.log", "ログがありません。", true}}),
             QStringLiteral("ログがありません。"));
  }

  // A run without a log (the command's) writes none and misses none.
  void aRunWithoutALogDeletesWithoutANotice() {
    Run r;
    r.settings.SourceDel = true;
    r.settings.LogFile.clear();
    r.fake.files.put("/src/a.doc");
    modConvPDF run(r.fake.platform, r.settings, r.imagePage);
    run.WithoutLog();
    QVERIFY(run.ConvertDirectory().isEmpty());
    QVERIFY(!r.fake.files.has("/src/a.doc"));
    QVERIFY(r.fake.files.has("/dest/a.pdf"));
  }

  // Two runs over one folder would print and delete the same files: the
  // second does nothing and says why; the claim ends with the run.
  void aFolderIsConvertedByOneRunAtATime() {
    Run r;
    r.settings.SourceDel = true;
    r.fake.files.put("/src/a.doc");
    auto other = r.fake.files.ClaimFolder("/src/");
    QVERIFY(other);
    modConvPDF run(r.fake.platform, r.settings, r.imagePage);
    const auto failures = run.ConvertDirectory();
    QVERIFY(run.FolderBusy());
    QCOMPARE(failures.size(), 1);
    QVERIFY(failures[0].notice);
    QCOMPARE(failures[0].reason,
             QStringLiteral("フォルダー「/src」はほかの変換が処理中のため、変換しませんでした。"));
    QVERIFY(r.fake.office.log.isEmpty());
    QVERIFY(r.fake.files.has("/src/a.doc"));
    QVERIFY(!r.fake.files.has(r.settings.LogFile));
    other.reset();
    QVERIFY(run.ConvertDirectory().isEmpty());
    QVERIFY(!run.FolderBusy());
    QVERIFY(r.fake.files.claimed.isEmpty());
    QVERIFY(!r.fake.files.has("/src/a.doc"));
  }

  void controlCharactersInNamesStayOnTheirLogLine() {
    Run r;
    r.fake.files.put("/src/a\nb\t.doc");
    QVERIFY(r.go().isEmpty());
    QCOMPARE(r.logLines().size(), 3);
    QCOMPARE(r.logLines()[1], QStringLiteral("変換前：/src/a\\x0Ab\\x09.doc  ------> "));
    QCOMPARE(r.logLines()[2], QStringLiteral("          --------> 変換後：/dest/a\\x0Ab\\x09.pdf"));
    QVERIFY(r.fake.files.has("/dest/a\nb\t.pdf"));  // the file keeps its real name
    QCOMPARE(LogText(QStringLiteral("x\x7f\r")), QStringLiteral("x\\x7F\\x0D"));
  }

  void unreadableNamesAreToldNotSkipped() {
    Run r;
    r.fake.files.unreadable = QStringList{"\\xFF\\xFE.doc", "\\xFF.txt", "\\xA0.JPG"};
    r.fake.files.put("/src/a.doc");
    const auto failures = r.go();
    // Only names the run would have taken up; a .txt is left alone anyway.
    QCOMPARE(failures.size(), 2);
    QCOMPARE(failures[0].name, QStringLiteral("\\xFF\\xFE.doc"));
    QVERIFY(failures[0].reason.contains("UTF-8 でも CP932 でもない"));
    QCOMPARE(failures[1].name, QStringLiteral("\\xA0.JPG"));
    QVERIFY(r.fake.files.has("/dest/a.pdf"));
  }

  void failureReportListsEveryFileWithItsCause() {
    QList<ConversionFailure> failures;
    for (int i = 0; i < 25; ++i) failures.append({QStringLiteral("f%1.doc").arg(i), "x"});
    const QString text = FailureReport(failures);
    QVERIFY(text.contains("・f0.doc：x"));
    QVERIFY(text.contains("・f19.doc：x"));
    QVERIFY(!text.contains("f20.doc"));
    QVERIFY(text.contains("ほか 5 件"));
  }
};

QTEST_MAIN(TestModConvPDF)
#include "test_modConvPDF.moc"
