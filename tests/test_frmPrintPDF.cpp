#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "acrobat/frmPrintPDF.h"
#include "fakes/FakePlatform.h"
#include "shell/Folvane.h"

using namespace folvane;

class TestFrmPrintPDF : public QObject {
  Q_OBJECT
 private slots:
  void storedFolderIsWrittenBackOnOk() {
    fakes::FakePlatform fake;
    modIniFile ini(fake.platform);
    App app{fake.platform, ini};
    ini.Settings.PrintDir = "/print";
    frmPrintPDF window(app);
    QCOMPARE(window.windowTitle(), QStringLiteral("ＰＤＦ ファイル一括出力"));
    QVERIFY(window.cmdApply->isEnabled());
    QCOMPARE(window.cmdOk->geometry().topLeft(), QPoint(32, 72));
    QCOMPARE(window.txtPrintDir->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    window.cmdOk->click();
    QCOMPARE(*fake.profile.get(ini.IniFilePath(), "Print_Info", "PrintDir"),
             QStringLiteral("/print"));
  }

  void anEmptiedFolderKeepsTheOldOneForTheNextPrint() {
    fakes::FakePlatform fake;
    modIniFile ini(fake.platform);
    App app{fake.platform, ini};
    ini.Settings.PrintDir = "/print";
    frmPrintPDF window(app);
    window.txtPrintDir->clear();
    window.cmdApply->click();
    QCOMPARE(*fake.profile.get(ini.IniFilePath(), "Print_Info", "PrintDir"), QString());
    QCOMPARE(fake.ui.messages.size(), 1);
    QCOMPARE(fake.ui.messages[0].text,
             QStringLiteral("出力ディレクトリーは必須項目です。再度入力してください。"));
    QCOMPARE(ini.Settings.PrintDir, QStringLiteral("/print"));
    QCOMPARE(window.result(), 0);  // Apply does not close it

    fake.files.put("/print/x.pdf");
    Folvane main(app);
    main.cmdPrint->click();
    QVERIFY(fake.automation.log.contains("AVDoc1.Open(str:/print/x.pdf, str:)"));
  }

  void nothingStoredOkWritesNothing() {
    fakes::FakePlatform fake;
    modIniFile ini(fake.platform);
    App app{fake.platform, ini};
    frmPrintPDF window(app);
    QVERIFY(!window.cmdApply->isEnabled());
    window.cmdOk->click();
    QVERIFY(fake.profile.calls.isEmpty());
  }
};

QTEST_MAIN(TestFrmPrintPDF)
#include "test_frmPrintPDF.moc"
