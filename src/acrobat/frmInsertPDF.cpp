#include "frmInsertPDF.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "widgets/SettingsWindow.h"
#include "widgets/SettingsWrite.h"
#include "widgets/controls/ClickableImage.h"
#include "widgets/controls/Twips.h"
#include "widgets/frmFile.h"

namespace folvane {

frmInsertPDF::frmInsertPDF(App& app) : app_(app) {
  setObjectName(QStringLiteral("frmInsertPDF"));
  setWindowTitle(QStringLiteral("ＰＤＦ ファイル統合"));
  setFont(WindowFont());
  setFixedSize(Tw(4935), Tw(2520));

  auto* lblMargDir = new QLabel(QStringLiteral("ディレクトリー名"), this);
  lblMargDir->setGeometry(TwRect(240, 240, 1695, 240));
  imgSelDir = new ClickableImage(
      QStringLiteral(":/icons/folder.svg"),
      QStringLiteral("ＰＤＦファイルが保管されているディレクトリーを設定します。"), this);
  imgSelDir->setGeometry(TwRect(2040, 120, 465, 435));
  txtMargeDir = new QLineEdit(this);
  txtMargeDir->setGeometry(TwRect(480, 600, 4215, 375));
  auto* lblFileNm = new QLabel(QStringLiteral("作成ファイル名"), this);
  lblFileNm->setGeometry(TwRect(240, 1200, 1635, 240));
  imgSaveFile =
      new ClickableImage(QStringLiteral(":/icons/file.svg"),
                         QStringLiteral("作成するディレクトリー・ファイル名を設定する。"), this);
  imgSaveFile->setGeometry(TwRect(2040, 1080, 465, 435));
  txtFileNm = new QLineEdit(this);
  txtFileNm->setGeometry(TwRect(480, 1560, 4215, 375));
  SettingsButtons buttons = MakeSettingsButtons(this, {600, 2040}, {1920, 2040}, {3240, 2040});
  cmdOk = buttons.ok;
  cmdCancel = buttons.cancel;
  cmdApply = buttons.apply;
  setTabOrder(txtMargeDir, txtFileNm);
  setTabOrder(txtFileNm, cmdOk);
  setTabOrder(cmdOk, cmdCancel);
  setTabOrder(cmdCancel, cmdApply);

  for (QLineEdit* box : {txtMargeDir, txtFileNm}) TrackChanges(box, cmdApply);
  connect(imgSelDir, &ClickableImage::clicked, this, &frmInsertPDF::imgSelDir_Click);
  connect(imgSaveFile, &ClickableImage::clicked, this, &frmInsertPDF::imgSaveFile_Click);
  ConnectSettingsButtons(this, buttons, [this] { SaveMergeSettings(); });
  OfferDirTarget(app_, 3, txtMargeDir, this);

  // Filling the boxes marks them and enables Apply, as typing would.
  txtMargeDir->setText(app_.ini.Settings.MergeDir);
  txtFileNm->setText(app_.ini.Settings.MergeFileNm);
  txtMargeDir->setFocus();
}

void frmInsertPDF::imgSelDir_Click() {
  app_.DirSelectTarget = 3;
  frmFile(app_).exec();
}

void frmInsertPDF::imgSaveFile_Click() {
  cmdApply->setEnabled(true);  // before the dialog: it stays enabled after a cancel
  const auto chosen = app_.platform.ui.OpenFileDialog(
      QStringLiteral("すべてのファイル (*.*)|*.*|ＰＤＦ ファイル (*.pdf)|*.pdf|"), 2,
      cdlSaveFileNmName_);
  if (!chosen) return;
  cdlSaveFileNmName_ = *chosen;
  txtFileNm->setText(*chosen);
}

void frmInsertPDF::SaveMergeSettings() {
  SettingsSave save(app_);
  if (!save.RequiredText(
          txtMargeDir, "Merge_Info", "MergeDir",
          QStringLiteral("統合ディレクトリーは必須項目です。再度入力してください。")) ||
      !save.RequiredText(txtFileNm, "Merge_Info", "MergeFileNm",
                         QStringLiteral("統合ファイル名は必須項目です。再度入力してください。")))
    return;
  app_.ini.ReadIniFile();
}

}  // namespace folvane
