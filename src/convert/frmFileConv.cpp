#include "frmFileConv.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include "convert/PrinterSwitch.h"
#include "convert/frmFileSel.h"
#include "convert/modAPIReg.h"
#include "widgets/JobMessages.h"
#include "widgets/controls/ClickableImage.h"
#include "widgets/controls/PictureButton.h"
#include "widgets/controls/Twips.h"
#include "widgets/frmFile.h"

namespace folvane {

frmFileConv::frmFileConv(App& app) : app_(app) {
  setObjectName(QStringLiteral("frmFileConv"));
  setWindowTitle(QStringLiteral("ファイル指定による変換処理"));
  setFont(WindowFont());
  setFixedSize(Tw(5085), Tw(2280));
  const QString tip = QStringLiteral("ＰＤＦファイルが保管されているディレクトリーを設定します。");

  (new QLabel(QStringLiteral("変換元ファイル指定"), this))
      ->setGeometry(TwRect(120, 120, 2175, 255));
  txtSrcFile = new QLineEdit(this);
  txtSrcFile->setObjectName(QStringLiteral("txtSrcFile"));
  txtSrcFile->setGeometry(TwRect(360, 360, 4095, 375));
  SrcFile = new ClickableImage(QStringLiteral(":/icons/file.svg"), tip, this);
  SrcFile->setGeometry(TwRect(4440, 360, 465, 435));
  (new QLabel(QStringLiteral("変換先ディレクトリー指定"), this))
      ->setGeometry(TwRect(120, 960, 2295, 255));
  txtDestDir = new QLineEdit(this);
  txtDestDir->setObjectName(QStringLiteral("txtDestDir"));
  txtDestDir->setGeometry(TwRect(360, 1200, 4095, 375));
  ConvDir = new ClickableImage(QStringLiteral(":/icons/folder.svg"), tip, this);
  ConvDir->setGeometry(TwRect(4440, 1200, 465, 435));

  const QColor face = palette().color(QPalette::Button);
  cmdExec =
      new PictureButton(QStringLiteral("変換実行"), QStringLiteral(":/icons/conv.svg"), face, this);
  cmdExec->setGeometry(TwRect(600, 1680, 1455, 495));
  cmdQuit =
      new PictureButton(QStringLiteral("終    了"), QStringLiteral(":/icons/quit.svg"), face, this);
  cmdQuit->setGeometry(TwRect(2640, 1680, 1455, 495));
  for (QToolButton* b : {cmdExec, cmdQuit}) {
    b->setFont(UiFont(12, true));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  }
  setTabOrder(txtSrcFile, txtDestDir);
  setTabOrder(txtDestDir, cmdExec);
  setTabOrder(cmdExec, cmdQuit);

  connect(SrcFile, &ClickableImage::clicked, this, &frmFileConv::SrcFile_Click);
  connect(ConvDir, &ClickableImage::clicked, this, &frmFileConv::ConvDir_Click);
  connect(cmdExec, &QToolButton::clicked, this, &frmFileConv::cmdExec_Click);
  connect(cmdQuit, &QToolButton::clicked, this, &QDialog::accept);
  OfferDirTarget(app_, 5, txtDestDir, this);
  txtSrcFile->setFocus();
}

void frmFileConv::SrcFile_Click() {
  app_.DirSelectTarget = 5;  // the selection window does not read it
  frmFileSel(app_, *this).exec();
}

void frmFileConv::ConvDir_Click() {
  app_.DirSelectTarget = 5;
  frmFile(app_).exec();
}

void frmFileConv::cmdExec_Click() {
  // Without a chosen file there is no name to give the PDF.
  if (strSelFile.size() < 4) {
    app_.platform.ui.MsgBox(QStringLiteral("変換するファイルを選択してください。"));
    return;
  }
  app_.ini.Settings.chkFlip_flg = false;  // in memory only, until the next load
  QApplication::setOverrideCursor(Qt::WaitCursor);
  PrinterSwitch(app_.platform).Run(app_.ini.Settings.PDFWriterName, [this] {
    SetPDFWriterFileName(app_.platform, txtDestDir->text() + platform::kPathSep +
                                            strSelFile.left(strSelFile.size() - 4) +
                                            QStringLiteral(".pdf"));
    if (txtSrcFile->text().right(3).toUpper() == u"TIF") {
      app_.imagePage.strImageNm = txtSrcFile->text();
      app_.imagePage.Load();
      app_.imagePage.Unload();
    }
  });
  QApplication::restoreOverrideCursor();
  TellDiversions(app_.platform);
}

}  // namespace folvane
