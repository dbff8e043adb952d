#include "frmPrintPDF.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "widgets/SettingsWindow.h"
#include "widgets/SettingsWrite.h"
#include "widgets/controls/ClickableImage.h"
#include "widgets/controls/Twips.h"
#include "widgets/frmFile.h"

namespace folvane {

frmPrintPDF::frmPrintPDF(App& app) : app_(app) {
  setObjectName(QStringLiteral("frmPrintPDF"));
  setWindowTitle(QStringLiteral("ＰＤＦ ファイル一括出力"));
  setFont(WindowFont());
  setFixedSize(Tw(4695), Tw(1560));

  txtPrintDir = new QLineEdit(this);
  txtPrintDir->setGeometry(TwRect(360, 600, 4215, 375));
  auto* lblMargDir = new QLabel(QStringLiteral("ディレクトリー名"), this);
  lblMargDir->setGeometry(TwRect(120, 240, 1695, 240));
  imgSelDir = new ClickableImage(
      QStringLiteral(":/icons/folder.svg"),
      QStringLiteral("ＰＤＦファイルが保管されているディレクトリーを設定します。"), this);
  imgSelDir->setGeometry(TwRect(1920, 120, 465, 435));
  SettingsButtons buttons = MakeSettingsButtons(this, {480, 1080}, {1800, 1080}, {3120, 1080});
  cmdOk = buttons.ok;
  cmdCancel = buttons.cancel;
  cmdApply = buttons.apply;
  setTabOrder(txtPrintDir, cmdApply);
  setTabOrder(cmdApply, cmdCancel);
  setTabOrder(cmdCancel, cmdOk);

  TrackChanges(txtPrintDir, cmdApply);
  connect(imgSelDir, &ClickableImage::clicked, this, [this] {
    app_.DirSelectTarget = 4;
    frmFile(app_).exec();
  });
  ConnectSettingsButtons(this, buttons, [this] { SavePrintSettings(); });
  OfferDirTarget(app_, 4, txtPrintDir, this);

  txtPrintDir->setText(app_.ini.Settings.PrintDir);
  txtPrintDir->setFocus();
}

void frmPrintPDF::SavePrintSettings() {
  SettingsSave save(app_);
  if (!save.RequiredText(
          txtPrintDir, "Print_Info", "PrintDir",
          QStringLiteral("出力ディレクトリーは必須項目です。再度入力してください。")))
    return;
  app_.ini.ReadIniFile();
}

}  // namespace folvane
