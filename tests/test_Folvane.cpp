#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "fakes/FakePlatform.h"
#include "platform/Failure.h"
#include "shell/Folvane.h"
#include "shell/frmAbout.h"

using namespace folvane;
using folvane::fakes::FakePlatform;

namespace {

// A started main window over fakes.
struct Started {
  FakePlatform fake;
  modIniFile ini{fake.platform};
  App app{fake.platform, ini};
  Folvane window{app};

  explicit Started(bool withWindir = true) {
    if (withWindir)
      fake.process.environment.insert("windir", "/home/u/.local/share/folvane/windows");
    window.Form_Load();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }
};

// Answers the next modal window: records its type and title, then presses a key on it.
struct ModalAnswer {
  QString className;
  QString title;
  void pressOnNextModal(int key) {
    QTimer::singleShot(0, [this, key] { poll(key); });
  }
  void poll(int key) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      QTimer::singleShot(10, [this, key] { poll(key); });
      return;
    }
    className = QString::fromLatin1(modal->metaObject()->className());
    title = modal->windowTitle();
    QTest::keyClick(modal, Qt::Key(key));
  }
};

}  // namespace

class TestFolvane : public QObject {
  Q_OBJECT
 private slots:
  void startUpLoadsSettingsThenResetsTheOutputName() {
    Started s;
    // First the printer switch's record is looked at, then the settings.
    const auto& all = s.fake.profile.calls;
    QCOMPARE(all.first().path, FakePlatform::kSwitchRecord);
    QList<fakes::FakeProfile::Call> calls;
    for (const auto& c : all)
      if (c.path != FakePlatform::kSwitchRecord) calls << c;
    QCOMPARE(calls.size(), 18);
    for (int i = 0; i < 17; ++i) QCOMPARE(calls[i].function, QStringLiteral("Get"));
    QCOMPARE(calls[17].function, QStringLiteral("Write"));
    QCOMPARE(calls[17].section, QStringLiteral("Acrobat PDFWriter"));
    QCOMPARE(calls[17].key, QStringLiteral("PDFFileName"));
    QCOMPARE(calls[17].value, QStringLiteral("/sys-folder/xyzzyx.pdf"));
    QCOMPARE(calls[17].path, QStringLiteral("/home/u/.local/share/folvane/windows/win.ini"));
    QVERIFY(!s.fake.profile.hasFile(s.ini.IniFilePath()));  // no settings file made
    QVERIFY(s.fake.ui.messages.isEmpty());
  }

  void windirUnsetGivesWinIniAtTheRoot() {
    Started s(false);
    QCOMPARE(s.fake.profile.calls.back().path, QStringLiteral("/win.ini"));
  }

  void placedTopLeftWithItsOuterSize() {
    Started s;
    QCOMPARE(s.window.frameGeometry().topLeft(), QPoint(0, 0));
    QCOMPARE(s.window.frameGeometry().size(), QSize(327, 108));  // 4900 x 1620 twips
    QCOMPARE(s.window.windowTitle(), QStringLiteral("Folvane管理プログラム"));
  }

  void fivePictureButtonsAsLaidOut() {
    Started s;
    struct Want {
      QToolButton* button;
      int left;
      QColor face;
      QString caption;
      QString tip;
    };
    const QColor cream(255, 255, 192);
    const Want wants[] = {
        {s.window.cmdIConv, 0, cream, "PDF変換", "ディレクトリ単位で一括変換を実行する。"},
        {s.window.cmdMarge, 80, cream, "PDF統合",
         "ディレクトリ内のPDFファイルを１ファイルに統合する。"},
        {s.window.cmdPrint, 160, cream, "PDF印刷", "ディレクトリ内のPDFファイルを一括出力する。"},
        {s.window.cmdQuit, 240, QColor(128, 255, 255), "終\u3000了", "プログラムを終了する。"},
        {s.window.cmdConv, 320, cream, "PDF変換", "ファイル単位でPDF変換を実行する。"},
    };
    for (const Want& w : wants) {
      QCOMPARE(w.button->geometry(), QRect(w.left, 0, 81, 57));  // 15-twip overlap
      QCOMPARE(w.button->palette().color(QPalette::Button), w.face);
      QCOMPARE(w.button->text(), w.caption);
      QCOMPARE(w.button->toolTip(), w.tip);
      QVERIFY(!w.button->icon().isNull());
      QVERIFY(w.button->font().bold());
      QCOMPARE(w.button->font().pointSizeF(), 11.25);
      QCOMPARE(w.button->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    }
  }

  void focusStartsOnCmdConvAndTabFollowsTheOrder() {
    Started s;
    QCOMPARE(QApplication::focusWidget(), s.window.cmdConv);
    QList<QWidget*> order;
    for (int i = 0; i < 5; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      order << QApplication::focusWidget();
    }
    QCOMPARE(order, (QList<QWidget*>{s.window.cmdIConv, s.window.cmdPrint, s.window.cmdQuit,
                                     s.window.cmdMarge, s.window.cmdConv}));
  }

  void enterOnTheFocusedButtonOpensTheSingleFileConversion() {
    Started s;
    ModalAnswer answer;
    answer.pressOnNextModal(Qt::Key_Escape);
    QSignalSpy clicked(s.window.cmdConv, &QToolButton::clicked);
    QTest::keyClick(s.window.cmdConv, Qt::Key_Return);
    QVERIFY(clicked.wait(1000));
    QCOMPARE(answer.className, QStringLiteral("folvane::frmFileConv"));
    QCOMPARE(answer.title, QStringLiteral("ファイル指定による変換処理"));
  }

  void menuEntriesWithAccessKeys() {
    Started s;
    const auto top = s.window.menuBar()->actions();
    QCOMPARE(top.size(), 2);
    QCOMPARE(top[0]->text(), QStringLiteral("環境設定(&E)"));
    QCOMPARE(top[1], s.window.mnuVer);
    QCOMPARE(s.window.mnuVer->text(), QStringLiteral("バージョン情報(&I)"));
    QStringList entries;
    for (QAction* a : s.window.mnuFile->actions())
      entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(entries, (QStringList{"PDF変換(&C)", "PDF統合(&M)", "PDF出力(&P)", "-", "終了(&Q)"}));
  }

  void everyWayOfQuittingEndsTheProgramAtOnce() {
    Started s;
    bool helperEnded = false;
    s.fake.process.AddEndHook(platform::EndStage::StopHelpers, [&] { helperEnded = true; });
    s.window.cmdQuit->click();
    QCOMPARE(s.fake.process.endCount, 1);
    QVERIFY(helperEnded);
    s.window.mnuQuit->trigger();
    QCOMPARE(s.fake.process.endCount, 2);
    s.window.close();
    QCOMPARE(s.fake.process.endCount, 3);
    QVERIFY(s.fake.ui.messages.isEmpty());  // no question asked
  }

  void aboutOpensModallyAndClosesWithEnterOrEsc() {
    Started s;
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_Return)}) {
      ModalAnswer answer;
      answer.pressOnNextModal(key);
      s.window.mnuVer->trigger();  // returns once the window has closed
      QCOMPARE(answer.className, QStringLiteral("folvane::frmAbout"));
      QCOMPARE(answer.title, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    }
  }

  void settingsWindowsOpenModallyFromTheMenu() {
    Started s;
    const struct {
      QAction* entry;
      const char* type;
      QString title;
    } windows[] = {{s.window.mnuConv, "folvane::frmConfig", "PDF コンバート環境設定"},
                   {s.window.mnuMarge, "folvane::frmInsertPDF", "ＰＤＦ ファイル統合"},
                   {s.window.mnuPrint, "folvane::frmPrintPDF", "ＰＤＦ ファイル一括出力"}};
    for (const auto& w : windows) {
      ModalAnswer answer;
      answer.pressOnNextModal(Qt::Key_Escape);
      w.entry->trigger();
      QCOMPARE(answer.className, QString::fromLatin1(w.type));
      QCOMPARE(answer.title, w.title);
    }
    for (int target = 1; target <= 4; ++target)  // closed windows' boxes are no targets any more
      QVERIFY(!s.app.dirTargets[size_t(target)]);
  }

  void aboutWindowLayout() {
    frmAbout about;
    QCOMPARE(about.size(), QSize(356, 133));
    QCOMPARE(about.Image1->geometry(), QRect(0, 0, 117, 93));  // 1755 x 1395 twips
    QVERIFY(!about.Image1->pixmap().isNull());
    QCOMPARE(about.Label1->text(), QStringLiteral("Folvane"));
    QCOMPARE(about.Label4->text(), QStringLiteral("バージョン\u30001.0.0"));
    QCOMPARE(about.Label4->pos(), QPoint(120, 56));
    QCOMPARE(about.cmdOK->geometry(), QRect(256, 104, 92, 23));
    QVERIFY(about.cmdOK->isDefault());
  }

  void batchConversionRunsInsideThePrinterSwitch() {
    Started s;
    auto& settings = s.ini.Settings;
    settings.SourceDir = "/src";
    settings.DestDir = "/dest";
    settings.LogFile = "/conv.log";
    settings.PDFWriterName = "Acrobat PDFWriter";
    s.fake.files.put("/src/a.doc");
    s.fake.files.put("/src/b.xls");
    s.fake.profile.set(fakes::FakeProfile::kWinIni, "windows", "device",
                       "Office,HP LaserJet,ipp://office/ipp");
    settings.MergeDir = "/src";
    settings.PrintDir = "/src";
    s.fake.files.put("/src/c.pdf");
    QStringList defaultDuringRun;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    ModalAnswer answer;  // a window opened by mistake is closed again, and named
    answer.pressOnNextModal(Qt::Key_Escape);
    s.fake.ui.onDoEvents = [&] {
      defaultDuringRun << *s.fake.profile.get(fakes::FakeProfile::kWinIni, "windows", "device");
      cursor = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                              : Qt::ArrowCursor;
      // Every other job clicked while the run goes on only beeps; a settings
      // window saved meanwhile does not move the run's remaining files.
      for (QToolButton* b :
           {s.window.cmdIConv, s.window.cmdPrint, s.window.cmdMarge, s.window.cmdConv})
        b->click();
      settings.DestDir = "/elsewhere";
      settings.PDFWriterName = "Office";
    };
    s.window.cmdIConv->click();
    QCOMPARE(s.fake.ui.beeps, 12);  // four clicks in each of three event passes
    QCOMPARE(answer.className, QString());
    QVERIFY(s.fake.automation.log.isEmpty());  // no print or merge inside the run
    QCOMPARE(defaultDuringRun, QStringList(3, "Acrobat PDFWriter,Folvane PDF,PDFFILE:"));
    QCOMPARE(cursor, Qt::WaitCursor);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(*s.fake.profile.get(fakes::FakeProfile::kWinIni, "windows", "device"),
             QStringLiteral("Office,HP LaserJet,ipp://office/ipp"));
    QVERIFY(s.fake.files.has("/dest/a.pdf") && s.fake.files.has("/dest/b.pdf"));
    QCOMPARE(s.fake.office.log.count("PrintOut"), 2);  // no second run inside the first
    QVERIFY(s.fake.ui.messages.isEmpty());             // a good run stays silent
    // After the run the jobs answer again.
    s.window.cmdPrint->click();
    QVERIFY(s.fake.automation.log.contains("AVDoc1.Open(str:/src/c.pdf, str:)"));
    QCOMPARE(s.fake.ui.beeps, 12);
  }

  void quittingDuringARunPutsTheDefaultPrinterBackFirst() {
    Started s;
    s.ini.Settings.SourceDir = "/src";
    s.ini.Settings.DestDir = "/dest";
    s.ini.Settings.PDFWriterName = "Acrobat PDFWriter";
    s.fake.files.put("/src/a.doc");
    s.fake.profile.set(fakes::FakeProfile::kWinIni, "windows", "device",
                       "Office,HP LaserJet,ipp://office/ipp");
    std::optional<QString> atEnd;
    bool switchedBefore = false;
    // The engine's end hook runs after the printer is back, though it was
    // added after the window's start-up added the printer's.
    s.fake.process.AddEndHook(platform::EndStage::StopHelpers, [&] {
      atEnd = s.fake.profile.get(fakes::FakeProfile::kWinIni, "windows", "device");
    });
    s.fake.ui.onDoEvents = [&] {
      switchedBefore = s.fake.profile.get(fakes::FakeProfile::kWinIni, "windows", "device") ==
                       QStringLiteral("Acrobat PDFWriter,Folvane PDF,PDFFILE:");
      s.fake.ui.onDoEvents = nullptr;
      s.window.cmdQuit->click();
    };
    s.window.cmdIConv->click();
    QVERIFY(switchedBefore);
    QCOMPARE(s.fake.process.endCount, 1);
    QCOMPARE(atEnd, std::optional<QString>("Office,HP LaserJet,ipp://office/ipp"));
    QVERIFY(s.fake.ui.messages.isEmpty());
  }

  void aSwitchLeftByAKilledRunIsUndoneAtStartUnlessItsOwnerRuns() {
    const QString pdfWriter = "Acrobat PDFWriter,Folvane PDF,PDFFILE:";
    const QString office = "Office,HP LaserJet,ipp://office/ipp";
    for (const bool ownerRuns : {false, true}) {
      FakePlatform fake;
      fake.profile.set(fakes::FakeProfile::kWinIni, "windows", "device", pdfWriter);
      const QString record = FakePlatform::kSwitchRecord;
      fake.profile.set(record, "PrinterSwitch", "Pid", "999");
      fake.profile.set(record, "PrinterSwitch", "Before",
                       "+" + QString::fromLatin1(office.toUtf8().toHex()));
      fake.profile.set(record, "PrinterSwitch", "During",
                       QString::fromLatin1(pdfWriter.toUtf8().toHex()));
      if (ownerRuns) fake.process.otherInstances << 999;
      modIniFile ini{fake.platform};
      App app{fake.platform, ini};
      Folvane window{app};
      window.Form_Load();
      QCOMPARE(*fake.profile.get(fakes::FakeProfile::kWinIni, "windows", "device"),
               ownerRuns ? pdfWriter : office);
      QCOMPARE(fake.profile.get(record, "PrinterSwitch", "During").has_value(), ownerRuns);
    }
  }

  void filesWithoutPdfAreListedAfterTheRun() {
    Started s;
    s.ini.Settings.SourceDir = "/src";
    s.ini.Settings.DestDir = "/dest";
    s.ini.Settings.PDFWriterName = "Acrobat PDFWriter";
    s.fake.files.put("/src/a.doc");
    s.fake.files.put("/src/bad.doc");
    s.fake.office.failPrint << "/src/bad.doc";
    s.window.cmdIConv->click();
    QCOMPARE(s.fake.ui.messages.size(), 1);
    QVERIFY(s.fake.ui.messages[0].text.contains("bad.doc：engine crashed"));
    QVERIFY(!s.fake.ui.messages[0].text.contains("a.doc"));
    QCOMPARE(s.fake.ui.messages[0].icon, platform::MsgIcon::Warning);
  }

  // A job over ten seconds that ends while the window is not the active one
  // is told on the desktop, with its counts; clicking brings the window
  // forward. A short job, or one watched to its end, is not.
  void aLongJobEndedUnwatchedIsToldOnTheDesktop() {
    Started s;
    s.ini.Settings.SourceDir = "/src";
    s.ini.Settings.DestDir = "/dest";
    s.ini.Settings.PDFWriterName = "Acrobat PDFWriter";
    s.ini.Settings.MergeDir = "/m";
    s.ini.Settings.MergeFileNm = "/out/all.pdf";
    s.ini.Settings.PrintDir = "/m";
    for (const char* name : {"/src/a.doc", "/src/b.doc", "/src/bad.doc", "/m/1.pdf", "/m/2.pdf"})
      s.fake.files.put(name);
    s.fake.office.failPrint << "/src/bad.doc";
    qint64 step = 4000;  // each document takes this long
    s.fake.office.duringPrint = [&] { s.fake.clock.monotonic += step; };
    s.fake.automation.pages = {{"/m/1.pdf", 1}, {"/m/2.pdf", 1}};

    s.window.cmdIConv->click();  // 12 s, but watched to its end
    QVERIFY(s.fake.ui.notices.isEmpty());

    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
    s.window.cmdIConv->click();
    QCOMPARE(s.fake.ui.notices,
             QStringList{"PDF 変換が終わりました（2 件変換、1 件変換できませんでした）"});
    step = 1000;  // 3 s: short
    s.window.cmdIConv->click();
    QCOMPARE(s.fake.ui.notices.size(), 1);

    // Merge and print count their files; each reading of the clock is 11 s
    // after the one before.
    s.fake.clock.perRead = 11000;
    s.window.cmdMarge->click();
    QCOMPARE(s.fake.ui.notices.last(), QStringLiteral("PDF 統合が終わりました（2 件）"));
    s.window.cmdPrint->click();
    QCOMPARE(s.fake.ui.notices.last(), QStringLiteral("PDF 印刷が終わりました（2 件印刷）"));
    QCOMPARE(s.fake.ui.notices.size(), 3);

    QVERIFY(s.fake.ui.lastClick);
    s.fake.ui.lastClick();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
  }

  // What the platform has to say during a run (a damaged registry file set
  // aside) waits for its end: one message after the run's own, the run
  // never stopped for it.
  void platformNoticesWaitForTheRunsEnd() {
    Started s;
    s.ini.Settings.SourceDir = "/src";
    s.ini.Settings.DestDir = "/dest";
    s.ini.Settings.PDFWriterName = "Acrobat PDFWriter";
    for (const char* name : {"/src/a.doc", "/src/b.doc", "/src/bad.doc"}) s.fake.files.put(name);
    s.fake.office.failPrint << "/src/bad.doc";
    int shownDuringTheRun = 0;
    s.fake.office.duringPrint = [&] {
      s.fake.ui.Notice("レジストリファイルが読めませんでした。");
      shownDuringTheRun += int(s.fake.ui.messages.size());
    };
    s.window.cmdIConv->click();
    QCOMPARE(shownDuringTheRun, 0);
    QCOMPARE(s.fake.ui.messages.size(), 2);
    QVERIFY(s.fake.ui.messages[0].text.contains("bad.doc"));
    QCOMPARE(s.fake.ui.messages[1].text, QStringLiteral("レジストリファイルが読めませんでした。"));
    // Outside a job a notice is shown at once.
    s.fake.ui.Notice("今すぐ");
    QCOMPARE(s.fake.ui.messages.size(), 3);
  }

  void noPdfPrinterNoRun() {
    Started s;
    s.ini.Settings.SourceDir = "/src";
    s.ini.Settings.PDFWriterName = "Missing Printer";
    s.fake.files.put("/src/a.doc");
    s.window.cmdIConv->click();
    QVERIFY(s.fake.office.log.isEmpty());
    QCOMPARE(s.fake.ui.messages.size(), 1);
    QVERIFY(s.fake.ui.messages[0].text.contains("Missing Printer"));
    QVERIFY(!QApplication::overrideCursor());
  }

  void mergeCommandReportsAnEmptyFolderOnly() {
    Started s;
    s.ini.Settings.MergeDir = "/m";
    s.ini.Settings.MergeFileNm = "/out/all.pdf";
    s.window.cmdMarge->click();
    QCOMPARE(s.fake.ui.messages.size(), 1);
    QCOMPARE(s.fake.ui.messages[0].text,
             QStringLiteral("統合処理実行エラー又は変換するファイルが存在しません。"));
    QCOMPARE(s.fake.ui.messages[0].title, QStringLiteral("PDF統合処理"));
    QCOMPARE(s.fake.ui.messages[0].icon, platform::MsgIcon::None);

    s.fake.ui.messages.clear();
    s.fake.files.put("/m/a.pdf");
    s.window.cmdMarge->click();
    QVERIFY(s.fake.ui.messages.isEmpty());  // no success message
    QVERIFY(s.fake.automation.log.contains("PDDoc2.Save(i16:1, &str:/out/all.pdf)"));
  }

  void driverErrorsReachTheUser() {
    Started s;
    s.ini.Settings.MergeDir = "/m";
    s.ini.Settings.PrintDir = "/m";
    s.fake.files.put("/m/a.pdf");
    s.fake.automation.failOpen << "/m/a.pdf";
    s.window.cmdMarge->click();
    s.window.cmdPrint->click();
    QCOMPARE(s.fake.ui.messages.size(), 2);
    for (const auto& m : s.fake.ui.messages) {
      QCOMPARE(m.title, QStringLiteral("Folvane"));
      QVERIFY(m.text.contains("/m/a.pdf"));
    }
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(s.window.isVisible());
  }

  void mergeAndPrintTellFilesWhoseNamesCannotBeRead() {
    Started s;
    s.ini.Settings.MergeDir = "/m";
    s.ini.Settings.MergeFileNm = "/out/all.pdf";
    s.ini.Settings.PrintDir = "/m";
    s.fake.files.put("/m/a.pdf");
    s.fake.files.unreadable = QStringList{"\\xFF.pdf"};
    s.window.cmdMarge->click();
    s.window.cmdPrint->click();
    QCOMPARE(s.fake.ui.messages.size(), 2);
    QVERIFY(s.fake.ui.messages[0].text.contains("統合していません"));
    QVERIFY(s.fake.ui.messages[1].text.contains("印刷していません"));
    for (const auto& m : s.fake.ui.messages) {
      QVERIFY(m.text.contains("・\\xFF.pdf"));
      QCOMPARE(m.icon, platform::MsgIcon::Warning);
    }
    // The readable files were merged all the same.
    QVERIFY(s.fake.automation.log.filter("Save(i16:1, &str:/out/all.pdf)").size() == 1);

    // A file without a page is merged as nothing, and said.
    s.fake.files.unreadable.clear();
    s.fake.ui.messages.clear();
    s.fake.files.put("/m/b.pdf");
    s.fake.automation.pages = {{"/m/a.pdf", 1}, {"/m/b.pdf", 0}};
    s.window.cmdMarge->click();
    QCOMPARE(s.fake.ui.messages.size(), 1);
    QVERIFY(s.fake.ui.messages[0].text.contains("ページがない"));
    QVERIFY(s.fake.ui.messages[0].text.contains("・b.pdf"));
  }

  void printCommandPrintsThePrintFolder() {
    Started s;
    s.ini.Settings.PrintDir = "/p";
    s.fake.files.put("/p/x.pdf");
    s.window.cmdPrint->click();
    QVERIFY(s.fake.automation.log.contains("AVDoc1.Open(str:/p/x.pdf, str:)"));
    QVERIFY(s.fake.ui.messages.isEmpty());

    // A PDF the PDF printer wrote beside a user's file is told, once.
    s.fake.spooler.diversions = {{"/d/x.pdf", "/d/x (1).pdf"}};
    s.window.cmdPrint->click();
    QCOMPARE(s.fake.ui.messages.size(), 1);
    QVERIFY(s.fake.ui.messages[0].text.contains("/d/x.pdf\n　→ /d/x (1).pdf"));
    s.window.cmdPrint->click();
    QCOMPARE(s.fake.ui.messages.size(), 1);
  }

  void jobFailuresAreShownAndTheProgramGoesOn() {
    FakePlatform fake;
    RunJob(fake.ui, [] { throw platform::Failure("「a.pdf」を開けませんでした。"); });
    RunJob(fake.ui, [] { throw std::runtime_error("bad_alloc"); });
    RunJob(fake.ui, [] {});
    QCOMPARE(fake.ui.messages.size(), 2);
    QCOMPARE(fake.ui.messages[0].text, QStringLiteral("「a.pdf」を開けませんでした。"));
    QCOMPARE(fake.ui.messages[0].title, QStringLiteral("Folvane"));
    QCOMPARE(fake.ui.messages[0].icon, platform::MsgIcon::Critical);
    QVERIFY(fake.ui.messages[1].text.contains("bad_alloc"));
  }
};

QTEST_MAIN(TestFolvane)
#include "test_Folvane.moc"
