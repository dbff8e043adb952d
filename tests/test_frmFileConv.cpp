#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "convert/frmFileConv.h"
#include "fakes/FakePlatform.h"

using namespace folvane;

namespace {

struct Opened {
  fakes::FakePlatform fake;
  modIniFile ini{fake.platform};
  App app{fake.platform, ini};
  std::unique_ptr<frmFileConv> window;
  Opened() {
    ini.Settings.PDFWriterName = "Acrobat PDFWriter";
    ini.Settings.chkFlip_flg = true;
    window = std::make_unique<frmFileConv>(app);
  }
  void choose(const QString& source, const QString& name, const QString& dest) {
    window->txtSrcFile->setText(source);
    window->strSelFile = name;
    window->txtDestDir->setText(dest);
  }
  QStringList outputNames() const {
    QStringList names;
    for (const auto& set : fake.registry.sets) names << QString::fromUtf8(set.data.chopped(1));
    return names;
  }
};

}  // namespace

class TestFrmFileConv : public QObject {
  Q_OBJECT
 private slots:
  void aTifGoesToTheImagePageAndNamesItsPdf() {
    Opened o;
    QCOMPARE(o.window->windowTitle(), QStringLiteral("ファイル指定による変換処理"));
    QCOMPARE(o.window->cmdQuit->text(), QStringLiteral("終    了"));
    o.choose("/img/scan01.tif", "scan01.tif", "/out");
    o.window->cmdExec->click();
    QCOMPARE(o.outputNames(), QStringList{"/out/scan01.pdf"});
    QCOMPARE(o.app.imagePage.strImageNm, QStringLiteral("/img/scan01.tif"));
    QCOMPARE(o.app.imagePage.loadCount(), 1);
    QCOMPARE(o.fake.system.sent.size(), 2);  // switched and restored
    QVERIFY(!o.ini.Settings.chkFlip_flg);    // off until the next load
    for (const auto& call : o.fake.profile.calls)
      QVERIFY(call.path != o.ini.IniFilePath());  // the settings file is not written
    QCOMPARE(o.window->result(), 0);              // the window stays open
  }

  void onlyTifWhateverItsLetterCase() {
    const struct {
      const char* source;
      int loads;
    } cases[] = {{"/img/a.TIF", 1}, {"/img/a.tif", 1}, {"/img/a.jpg", 0}, {"/img/a.JPG", 0}};
    for (const auto& c : cases) {
      Opened o;
      o.choose(c.source, QString(c.source).mid(5), "/out");
      o.window->cmdExec->click();
      QCOMPARE(o.app.imagePage.loadCount(), c.loads);
      QCOMPARE(o.outputNames(), QStringList{"/out/a.pdf"});  // set all the same
    }
  }

  void noFileChosenAsksForOneAndSetsNothing() {
    Opened o;
    o.window->txtDestDir->setText("/out");
    o.window->cmdExec->click();
    QCOMPARE(o.fake.ui.messages.size(), 1);
    QVERIFY(o.fake.registry.sets.isEmpty());
    QVERIFY(o.fake.system.sent.isEmpty());
  }

  void aMissingPdfPrinterRunsNothing() {
    Opened o;
    o.ini.Settings.PDFWriterName = "Nowhere";
    o.choose("/img/a.tif", "a.tif", "/out");
    o.window->cmdExec->click();
    QVERIFY(o.fake.registry.sets.isEmpty());
    QCOMPARE(o.app.imagePage.loadCount(), 0);
    QCOMPARE(o.fake.ui.messages.size(), 1);
    QVERIFY(o.fake.ui.messages[0].text.contains("Nowhere"));
  }
};

QTEST_MAIN(TestFrmFileConv)
#include "test_frmFileConv.moc"
