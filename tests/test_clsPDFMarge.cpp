#include <QTest>

#include "acrobat/clsPDFMarge.h"
#include "fakes/FakePlatform.h"
#include "platform/Failure.h"

using namespace folvane;
using folvane::fakes::FakePlatform;

class TestClsPDFMarge : public QObject {
  Q_OBJECT
 private slots:
  void noPdfReturnsOneAndTouchesNothing() {
    FakePlatform fake;
    fake.files.put("/m/readme.txt");
    fake.files.put("/m/sub/a.pdf");
    fake.files.put("/m/.hidden.pdf");
    clsPDFMarge marge(fake.platform);
    marge.SourceDir("/m");
    marge.DestFile("/out/merged.pdf");
    QCOMPARE(marge.PdfInsert(), int16_t(1));
    QCOMPARE(fake.automation.created, (QStringList{"AcroExch.App", "AcroExch.PDDoc"}));
    QVERIFY(fake.automation.log.isEmpty());  // nothing opened, no Exit
    QCOMPARE(fake.files.log, QStringList{"Search /m/*.pdf"});
  }

  void mergeCallsInOrderWithTheirTypes() {
    FakePlatform fake;
    for (const char* name : {"/m/c.pdf", "/m/a.pdf", "/m/B.PDF", "/m/d.txt"}) fake.files.put(name);
    fake.automation.pages = {{"/m/a.pdf", 2}, {"/m/B.PDF", 3}, {"/m/c.pdf", 1}};
    clsPDFMarge marge(fake.platform);
    QCOMPARE(marge.LastPage(), int16_t(0));
    marge.SourceDir("/m");
    marge.DestFile("/out/merged.pdf");
    QCOMPARE(marge.PdfInsert(), int16_t(0));
    QCOMPARE(fake.automation.log,
             (QStringList{
                 "PDDoc1.Open(str:/m/a.pdf)",
                 "PDDoc1.GetNumPages()",
                 "PDDoc2.Open(str:/m/B.PDF)",
                 "PDDoc2.GetNumPages()",
                 "PDDoc1.InsertPages(&i16:1, &obj:PDDoc2, i16:0, &i16:3, bool:1)",
                 "PDDoc2.Close()",
                 "PDDoc1.GetNumPages()",
                 "PDDoc3.Open(str:/m/c.pdf)",
                 "PDDoc3.GetNumPages()",
                 "PDDoc1.InsertPages(&i16:4, &obj:PDDoc3, i16:0, &i16:1, bool:1)",
                 "PDDoc3.Close()",
                 "PDDoc1.Save(i16:1, &str:/out/merged.pdf)",
                 "PDDoc1.Close()",
                 "App1.Exit()",
             }));
    QCOMPARE(marge.LastPage(), int16_t(4));
  }

  void oneFileIsSavedUnderDestFile() {
    FakePlatform fake;
    fake.files.put("/m/only.pdf");
    clsPDFMarge marge(fake.platform);
    marge.SourceDir("/m");
    marge.DestFile("/m/merged.pdf");
    QCOMPARE(marge.PdfInsert(), int16_t(0));
    QCOMPARE(
        fake.automation.log,
        (QStringList{"PDDoc1.Open(str:/m/only.pdf)", "PDDoc1.GetNumPages()",
                     "PDDoc1.Save(i16:1, &str:/m/merged.pdf)", "PDDoc1.Close()", "App1.Exit()"}));
    QCOMPARE(marge.LastPage(), int16_t(0));
    QCOMPARE(marge.PagelessNames(), QStringList());
  }

  // Files without a page are merged as nothing, and named, first or later.
  void filesWithoutPagesAreNamed() {
    for (const QString& pageless : {QStringLiteral("a.pdf"), QStringLiteral("b.pdf")}) {
      FakePlatform fake;
      for (const char* name : {"/m/a.pdf", "/m/b.pdf", "/m/c.pdf"}) fake.files.put(name);
      fake.automation.pages = {{"/m/a.pdf", 2}, {"/m/b.pdf", 3}, {"/m/c.pdf", 1}};
      fake.automation.pages["/m/" + pageless] = 0;
      clsPDFMarge marge(fake.platform);
      marge.SourceDir("/m");
      marge.DestFile("/out/merged.pdf");
      QCOMPARE(marge.PdfInsert(), int16_t(0));
      QCOMPARE(marge.PagelessNames(), QStringList{pageless});
      QCOMPARE(fake.automation.log.filter("Save(").size(), 1);
    }
    FakePlatform alone;
    alone.files.put("/m/empty.pdf");
    alone.automation.pages = {{"/m/empty.pdf", 0}};
    clsPDFMarge marge(alone.platform);
    marge.SourceDir("/m");
    marge.DestFile("/out/merged.pdf");
    QCOMPARE(marge.PdfInsert(), int16_t(0));
    QCOMPARE(marge.PagelessNames(), QStringList{"empty.pdf"});
  }

  void separatorIsAlwaysAppended() {
    FakePlatform fake;
    fake.files.put("/a.pdf");
    clsPDFMarge root(fake.platform);
    root.SourceDir("/");  // a root chosen in the directory chooser
    root.PdfInsert();
    QCOMPARE(fake.files.log.last(), QStringLiteral("Search //*.pdf"));
    QCOMPARE(fake.automation.log.first(), QStringLiteral("PDDoc1.Open(str://a.pdf)"));

    FakePlatform empty;
    clsPDFMarge none(empty.platform);
    none.SourceDir(QString());
    QCOMPARE(none.PdfInsert(), int16_t(1));
    QCOMPARE(empty.files.log.last(), QStringLiteral("Search /*.pdf"));
  }

  void pageNumbersBeyondSixteenBitsAreAnOverflow() {
    FakePlatform fake;
    fake.files.put("/m/a.pdf");
    fake.files.put("/m/b.pdf");
    fake.automation.pages = {{"/m/a.pdf", 32768}, {"/m/b.pdf", 32768}};
    clsPDFMarge marge(fake.platform);
    marge.SourceDir("/m");
    marge.DestFile("/out/m.pdf");
    // The base's last page (32767) still fits; the source's count does not.
    QVERIFY_THROWS_EXCEPTION(platform::Failure, marge.PdfInsert());
    QVERIFY(!fake.automation.log.join('\n').contains("Save"));
    QVERIFY(!fake.automation.log.join('\n').contains("Exit"));
    QCOMPARE(CInt(32767), int16_t(32767));
    QCOMPARE(CInt(-32768), int16_t(-32768));
    QVERIFY_THROWS_EXCEPTION(platform::Failure, CInt(32768));
  }

  void anUnreadableFileStopsTheMergeBeforeAnythingIsSaved() {
    FakePlatform fake;
    fake.files.put("/m/a.pdf");
    fake.files.put("/m/b.pdf");
    fake.automation.failOpen << "/m/b.pdf";
    clsPDFMarge marge(fake.platform);
    marge.SourceDir("/m");
    marge.DestFile("/out/m.pdf");
    try {
      marge.PdfInsert();
      QFAIL("no error");
    } catch (const platform::Failure& e) {
      QVERIFY(e.message().contains("/m/b.pdf"));
    }
    QVERIFY(!fake.automation.log.join('\n').contains("Save"));
  }

  void aFailingPrintStillHidesTheLauncherProgress() {
    FakePlatform fake;
    fake.files.put("/p/a.pdf");
    fake.files.put("/p/b.pdf");
    fake.automation.failOpen << "/p/b.pdf";
    clsPDFMarge marge(fake.platform);
    marge.SourceDir("/p");
    QVERIFY_THROWS_EXCEPTION(platform::Failure, marge.PDFPrint());
    QCOMPARE(fake.progress.shown, (QList<QPair<qsizetype, qsizetype>>{{0, 2}, {1, 2}, {-1, -1}}));
  }

  void everyFileIsOpenedAndAllFailuresAreNamedOnce() {
    FakePlatform fake;
    for (const char* name : {"/m/a.pdf", "/m/b.pdf", "/m/c.pdf", "/m/d.pdf"}) fake.files.put(name);
    fake.automation.failOpen << "/m/a.pdf"
                             << "/m/c.pdf";
    clsPDFMarge marge(fake.platform);
    marge.SourceDir("/m");
    marge.DestFile("/out/m.pdf");
    QString why;
    try {
      marge.PdfInsert();
    } catch (const platform::Failure& e) {
      why = e.message();
    }
    // The base did not open: the rest are opened and closed, nothing is
    // inserted, saved or ended.
    QCOMPARE(
        fake.automation.log,
        (QStringList{"PDDoc1.Open(str:/m/a.pdf)", "PDDoc2.Open(str:/m/b.pdf)", "PDDoc2.Close()",
                     "PDDoc3.Open(str:/m/c.pdf)", "PDDoc4.Open(str:/m/d.pdf)", "PDDoc4.Close()"}));
    QVERIFY2(why.contains("2 件") && why.contains("・cannot open /m/a.pdf") &&
                 why.contains("・cannot open /m/c.pdf"),
             qPrintable(why));

    // A later file fails: what came before was inserted, nothing after it.
    FakePlatform later;
    for (const char* name : {"/m/a.pdf", "/m/b.pdf", "/m/c.pdf", "/m/d.pdf"}) later.files.put(name);
    later.automation.failOpen << "/m/c.pdf";
    clsPDFMarge second(later.platform);
    second.SourceDir("/m");
    second.DestFile("/out/m.pdf");
    QVERIFY_THROWS_EXCEPTION(platform::Failure, second.PdfInsert());
    const QString log = later.automation.log.join('\n');
    QCOMPARE(log.count("InsertPages"), 1);
    QVERIFY(log.contains("PDDoc4.Open(str:/m/d.pdf)"));
    QVERIFY(!log.contains("Save") && !log.contains("Exit"));
  }

  void theFailureReportShowsTwentyNamesThenTheCount() {
    QStringList failures;
    for (int i = 1; i <= 23; ++i) failures << QStringLiteral("f%1 bad").arg(i);
    const QString text = MergeFailureReport(failures);
    QVERIFY(text.startsWith("開けない PDF ファイルが 23 件"));
    QCOMPARE(text.count("\n・"), 20);
    QVERIFY(text.contains("・f20 bad") && !text.contains("f21 bad"));
    QVERIFY(text.endsWith("\n\nほか 3 件"));
    QVERIFY(!MergeFailureReport({"only"}).contains("ほか"));
  }

  void printCallsOneJobPerFileThenExit() {
    FakePlatform fake;
    fake.files.put("/p/x.pdf");
    fake.files.put("/p/Y.pdf");
    fake.automation.pages = {{"/p/x.pdf", 3}, {"/p/Y.pdf", 1}};
    clsPDFMarge marge(fake.platform);
    marge.SourceDir("/p");
    marge.PDFPrint();
    QCOMPARE(fake.automation.created,
             (QStringList{"AcroExch.APP", "AcroExch.AVDoc", "AcroExch.PDDoc"}));
    QCOMPARE(fake.automation.log, (QStringList{
                                      "AVDoc1.Open(str:/p/x.pdf, str:)",
                                      "AVDoc1.GetPDDoc()",
                                      "AVDoc1.PDDoc.GetNumPages()",
                                      "AVDoc1.PrintPages(i16:0, &i16:2, i16:2, bool:1, bool:0)",
                                      "AVDoc1.Close(bool:1)",
                                      "AVDoc1.Open(str:/p/Y.pdf, str:)",
                                      "AVDoc1.GetPDDoc()",
                                      "AVDoc1.PDDoc.GetNumPages()",
                                      "AVDoc1.PrintPages(i16:0, &i16:0, i16:2, bool:1, bool:0)",
                                      "AVDoc1.Close(bool:1)",
                                      "App1.Exit()",
                                  }));
    QCOMPARE(fake.progress.shown,
             (QList<QPair<qsizetype, qsizetype>>{{0, 2}, {1, 2}, {2, 2}, {-1, -1}}));

    FakePlatform none;
    clsPDFMarge empty(none.platform);
    empty.SourceDir("/p");
    empty.PDFPrint();
    QCOMPARE(none.automation.log, QStringList{"App1.Exit()"});
  }

  void unknownObjectsAreErrors() {
    FakePlatform fake;
    QVERIFY_THROWS_EXCEPTION(platform::Failure, fake.automation.CreateObject("AcroExch.Nothing"));
  }
};

QTEST_GUILESS_MAIN(TestClsPDFMarge)
#include "test_clsPDFMarge.moc"
