#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "acrobat/frmInsertPDF.h"
#include "fakes/FakePlatform.h"
#include "shell/Folvane.h"
#include "widgets/SettingsWrite.h"
#include "widgets/controls/ClickableImage.h"

using namespace folvane;

namespace {

struct Opened {
  fakes::FakePlatform fake;
  modIniFile ini{fake.platform};
  App app{fake.platform, ini};
  std::unique_ptr<frmInsertPDF> window;

  Opened(const QString& dir, const QString& file) {
    ini.Settings.MergeDir = dir;
    ini.Settings.MergeFileNm = file;
    window = std::make_unique<frmInsertPDF>(app);
  }
  QStringList writes() const {
    QStringList out;
    for (const auto& c : fake.profile.calls)
      if (c.function == "Write") out << c.key + '=' + c.value;
    return out;
  }
  int gets() const {
    int n = 0;
    for (const auto& c : fake.profile.calls) n += c.function == "Get";
    return n;
  }
};

}  // namespace

class TestFrmInsertPDF : public QObject {
  Q_OBJECT
 private slots:
  void storedValuesEnableApplyAndOkWritesThemBack() {
    Opened o("/pdf/in", "/pdf/all.pdf");
    QCOMPARE(o.window->windowTitle(), QStringLiteral("ＰＤＦ ファイル統合"));
    QVERIFY(o.window->cmdApply->isEnabled());
    QCOMPARE(o.window->imgSelDir->toolTip(),
             QStringLiteral("ＰＤＦファイルが保管されているディレクトリーを設定します。"));
    QCOMPARE(o.window->txtFileNm->geometry(), QRect(32, 104, 281, 25));
    QCOMPARE(o.window->txtFileNm->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(o.window->cmdApply->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QVERIFY(!o.window->imgSelDir->pixmap().isNull() && !o.window->imgSaveFile->pixmap().isNull());
    o.window->cmdOk->click();
    QCOMPARE(o.writes(), (QStringList{"MergeDir=/pdf/in", "MergeFileNm=/pdf/all.pdf"}));
    QCOMPARE(o.gets(), 17);  // reloaded
  }

  void nothingStoredAndOkWritesNothing() {
    Opened o("", "");
    QVERIFY(!o.window->cmdApply->isEnabled());
    o.window->cmdOk->click();
    QVERIFY(o.writes().isEmpty());
    QCOMPARE(o.window->result(), int(QDialog::Accepted));
  }

  void anEmptiedFolderIsWrittenThenStops() {
    Opened o("/pdf/in", "/pdf/all.pdf");
    o.window->txtFileNm->setText("/pdf/other.pdf");
    o.window->txtMargeDir->clear();
    o.window->cmdApply->click();
    QCOMPARE(o.writes(), QStringList{"MergeDir="});
    QCOMPARE(o.fake.ui.messages.size(), 1);
    QCOMPARE(o.fake.ui.messages[0].text,
             QStringLiteral("統合ディレクトリーは必須項目です。再度入力してください。"));
    QCOMPARE(o.gets(), 0);
    QCOMPARE(o.ini.Settings.MergeDir, QStringLiteral("/pdf/in"));
    QVERIFY(!o.window->cmdApply->isEnabled());
    o.window->cmdOk->click();  // after Apply, OK writes nothing until something changes
    QCOMPARE(o.writes().size(), 1);
  }

  void aChosenFileLandsWholeAndTheNextMergeSavesThere() {
    Opened o("/pdf/in", "");
    o.fake.ui.fileAnswers = {QStringLiteral("/home/user/報告/merged.pdf")};
    o.window->imgSaveFile->clicked();
    QCOMPARE(o.fake.ui.fileDialogs[0].filterIndex, 2);
    QCOMPARE(o.window->txtFileNm->text(), QStringLiteral("/home/user/報告/merged.pdf"));
    QVERIFY(IsMarked(o.window->txtFileNm));
    o.window->cmdOk->click();
    QCOMPARE(o.ini.Settings.MergeFileNm, QStringLiteral("/home/user/報告/merged.pdf"));

    o.fake.files.put("/pdf/in/a.pdf");
    Folvane main(o.app);
    main.cmdMarge->click();
    QVERIFY(o.fake.automation.log.contains("PDDoc1.Save(i16:1, &str:/home/user/報告/merged.pdf)"));
  }

  void cancellingTheFileDialogStillEnablesApply() {
    Opened o("", "");
    o.window->txtFileNm->setText("/kept.pdf");
    o.window->cmdApply->click();
    QVERIFY(!o.window->cmdApply->isEnabled());
    o.window->imgSaveFile->clicked();  // answered with a cancel
    QCOMPARE(o.window->txtFileNm->text(), QStringLiteral("/kept.pdf"));
    QVERIFY(o.window->cmdApply->isEnabled());
  }

  void aFailedWriteIsReportedAndNothingReloads() {
    Opened o("/pdf/in", "/pdf/all.pdf");
    o.fake.profile.failWrites = true;
    o.window->cmdApply->click();
    QCOMPARE(o.fake.ui.messages.size(), 1);
    QVERIFY(o.fake.ui.messages[0].text.contains(o.ini.IniFilePath()));
    QCOMPARE(o.gets(), 0);
  }
};

QTEST_MAIN(TestFrmInsertPDF)
#include "test_frmInsertPDF.moc"
