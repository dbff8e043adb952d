#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "convert/frmFileConv.h"
#include "convert/frmFileSel.h"
#include "fakes/FakePlatform.h"
#include "widgets/FileSystemLists.h"

using namespace folvane;

class TestFrmFileSel : public QObject {
  Q_OBJECT
  fakes::FakePlatform fake_;
  modIniFile ini_{fake_.platform};
  App app_{fake_.platform, ini_};

 private slots:
  void init() {
    fake_.drives.files["/home/user"] = {"scan01.tif", "photo.JPG", "notes.txt", "x.tiff"};
    fake_.drives.files["/"] = {"root.tif"};
  }

  void listsOnlyMatchingFilesAndNeedsASelection() {
    frmFileConv conversion(app_);
    conversion.txtSrcFile->setText("before");
    frmFileSel selection(app_, conversion);
    QCOMPARE(selection.windowTitle(), QStringLiteral("変換ファイル選択"));
    QCOMPARE(selection.filSel->count(), 2);
    QCOMPARE(selection.filSel->item(0)->text(), QStringLiteral("scan01.tif"));
    QCOMPARE(selection.filSel->item(1)->text(), QStringLiteral("photo.JPG"));
    selection.cmdExec->click();  // nothing selected
    QCOMPARE(conversion.txtSrcFile->text(), QStringLiteral("before"));
    QVERIFY(conversion.strSelFile.isEmpty());
    QCOMPARE(selection.result(), 0);

    selection.filSel->setCurrentRow(0);
    selection.cmdExec->click();
    QCOMPARE(conversion.txtSrcFile->text(), QStringLiteral("/home/user/scan01.tif"));
    QCOMPARE(conversion.strSelFile, QStringLiteral("scan01.tif"));
    QCOMPARE(selection.result(), int(QDialog::Accepted));
  }

  void theFileListFollowsTheDirectoryAndARootKeepsTwoSeparators() {
    frmFileConv conversion(app_);
    frmFileSel selection(app_, conversion);
    selection.DirList->setPath("/");
    QCOMPARE(selection.filSel->count(), 1);
    selection.filSel->setCurrentRow(0);
    selection.cmdExec->click();
    QCOMPARE(conversion.txtSrcFile->text(), QStringLiteral("//root.tif"));
  }

  void cancelKeepsWhatTheConversionHad() {
    frmFileConv conversion(app_);
    conversion.strSelFile = "kept.tif";
    frmFileSel selection(app_, conversion);
    selection.filSel->setCurrentRow(0);
    selection.cmdCancel->click();
    QCOMPARE(conversion.strSelFile, QStringLiteral("kept.tif"));
  }
};

QTEST_MAIN(TestFrmFileSel)
#include "test_frmFileSel.moc"
