#include "frmConfig.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include "widgets/SettingsWindow.h"
#include "widgets/SettingsWrite.h"
#include "widgets/controls/OuterSize.h"
#include "widgets/controls/Twips.h"
#include "widgets/frmFile.h"

namespace folvane {
namespace {

template <typename W>
W* place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(TwRect(left, top, width, height));
  return widget;
}

QString flag(const QCheckBox* box) {
  return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace

frmConfig::frmConfig(App& app) : app_(app) {
  build();
  Form_Load();
  qApp->installEventFilter(this);
}

frmConfig::~frmConfig() {
  qApp->removeEventFilter(this);
}

QString frmConfig::Tag(const QWidget* control) {
  return folvane::Tag(control);
}

void frmConfig::build() {
  setObjectName(QStringLiteral("frmConfig"));
  setWindowTitle(QStringLiteral("PDF コンバート環境設定"));
  setFont(WindowFont());

  // The strip: a frame with its row of tabs; the pages are laid over it.
  auto* strip = place(new QFrame(this), "TabStrip", 120, 120, 5775, 3495);
  strip->setFrameShape(QFrame::StyledPanel);
  TabMain = new QTabBar(this);
  TabMain->setObjectName(QStringLiteral("TabMain"));
  for (const char* caption : {"変換ディレクトリー", "ログファイル", "PDF Writer 名称"})
    TabMain->addTab(QString::fromUtf8(caption));
  TabMain->move(strip->pos());
  TabMain->resize(TabMain->sizeHint().width(), TabMain->sizeHint().height());
  TabMain->setFocusPolicy(Qt::TabFocus);
  connect(TabMain, &QTabBar::currentChanged, this, [this] { TabMain_Click(); });

  for (size_t i = 0; i < fraTab.size(); ++i) {
    fraTab[i] = new QFrame(this);
    fraTab[i]->setObjectName(QStringLiteral("fraTab%1").arg(i));
    fraTab[i]->setAutoFillBackground(true);
  }

  const SettingsButtons buttons =
      MakeSettingsButtons(this, {2040, 3720}, {3360, 3720}, {4680, 3720});
  cmdOk = buttons.ok;
  cmdCancel = buttons.cancel;
  cmdApply = buttons.apply;

  buildSourcePage(fraTab[0]);
  buildLogPage(fraTab[1]);
  buildWriterPage(fraTab[2]);
  connectControls(buttons);
}

void frmConfig::buildSourcePage(QFrame* page0) {
  place(new QLabel(QStringLiteral("変換元ディレクトリー"), page0), "lblSourceDIr", 0, 240, 2295,
        255);
  chkFlip =
      place(new QCheckBox(QStringLiteral("180度  回転有り"), page0), "chkFlip", 2640, 0, 2415, 255);
  txtSourceDir = place(new QLineEdit(page0), "txtSourceDir", 240, 480, 4335, 375);
  cmdSrcDIr =
      place(new QPushButton(QStringLiteral("参照(&R).."), page0), "cmdSrcDIr", 4560, 360, 975, 495);
  chkDelFlg = place(new QCheckBox(QStringLiteral("変換後のファイル削除"), page0), "chkDelFlg", 720,
                    960, 3255, 255);
  place(new QLabel(QStringLiteral("変換先ディレクトリー"), page0), "lblDestDir", 120, 1680, 2295,
        255);
  txtDestDir = place(new QLineEdit(page0), "txtDestDir", 240, 1920, 4335, 375);
  cmdDesDir = place(new QPushButton(QStringLiteral("参照(&R).."), page0), "cmdDesDir", 4560, 1800,
                    975, 495);
  chkDupFlg = place(new QCheckBox(QStringLiteral("変換先ファイル重複時更新"), page0), "chkDupFlg",
                    720, 2400, 2535, 255);
  // Below the page's last control, in space nothing else takes.
  chkModern = place(new QCheckBox(QStringLiteral(".docx・.xlsx なども変換する"), page0),
                    "chkModern", 720, 2700, 4335, 255);
}

void frmConfig::buildLogPage(QFrame* page) {
  auto* logGroup =
      place(new QGroupBox(QStringLiteral("ログ保存"), page), "fraLog", 240, 300, 5175, 1515);
  chkLogFile =
      place(new QCheckBox(QStringLiteral("メッセージログをディスクに保存する(&L)"), logGroup),
            "chkLogFile", 120, 300, 3855, 255);
  auto* label13 = place(new QLabel(QStringLiteral("ログファイル(&O):"), logGroup), "Label13", 480,
                        1080, 1200, 180);
  txtLogFile = place(new QLineEdit(logGroup), "txtLogFile", 1800, 1080, 2055, 270);
  label13->setBuddy(txtLogFile);
  // In the window's font, as its siblings, the caption needs more than its
  // 1200 x 180 twips: it grows leftwards and in height, centred on its box.
  const QSize needed = label13->sizeHint();
  QRect room = label13->geometry();
  room.setLeft(std::min(room.left(), room.right() - needed.width()));
  room.setHeight(std::max(room.height(), needed.height()));
  room.moveCenter({room.center().x(), txtLogFile->geometry().center().y()});
  label13->setGeometry(room);
  cmdLogFile = place(new QPushButton(QStringLiteral("参照(&G)..."), logGroup), "cmdLogFile", 3960,
                     1080, 975, 315);
}

void frmConfig::buildWriterPage(QFrame* page) {
  auto* writerGroup = place(new QGroupBox(QStringLiteral("PDF Writer名設定"), page), "fraWriter",
                            240, 120, 5175, 1455);
  place(new QLabel(QStringLiteral("PDF Writer 名を設定してください。"), writerGroup), "Label1", 360,
        360, 3375, 255);
  cmbPDFWriter = place(new QComboBox(writerGroup), "cmbPDFWriter", 840, 840, 3735, 300);
  cmbPDFWriter->setEditable(true);
  cmbPDFWriter->setInsertPolicy(QComboBox::NoInsert);  // Enter adds nothing to the list
  // The name is taken as typed: no completion from the list, no case folding
  // onto an entry, so a name that begins another can be entered.
  cmbPDFWriter->setCompleter(nullptr);
  cmbPDFWriter->installEventFilter(this);
}

void frmConfig::connectControls(const SettingsButtons& buttons) {
  // One focus order for the whole window, across the pages.
  const QList<QWidget*> order{cmdApply,   cmdCancel,  cmdOk,        chkLogFile,
                              txtLogFile, cmdLogFile, TabMain,      txtSourceDir,
                              txtDestDir, chkDelFlg,  chkDupFlg,    chkModern,
                              cmdSrcDIr,  cmdDesDir,  cmbPDFWriter, chkFlip};
  for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);

  for (QLineEdit* box : {txtSourceDir, txtDestDir, txtLogFile})
    connect(box, &QLineEdit::textChanged, this, [this, box] { mark(box); });
  for (QCheckBox* box : {chkDelFlg, chkDupFlg, chkFlip, chkLogFile, chkModern})
    connect(box, &QCheckBox::toggled, this, [this, box] { mark(box); });
  connect(cmdSrcDIr, &QPushButton::clicked, this, &frmConfig::cmdSrcDIr_Click);
  connect(cmdDesDir, &QPushButton::clicked, this, &frmConfig::cmdDesDir_Click);
  connect(cmdLogFile, &QPushButton::clicked, this, &frmConfig::cmdLogFile_Click);
  ConnectSettingsButtons(
      this, buttons, [this] { SaveSettings(); },
      [this] {
        if (cmbPDFWriter->hasFocus()) cmbPDFWriter_LostFocus();
      });
  // A name typed or picked is a change: with Apply greyed out, its access
  // key could not save the name being typed. The box is still marked only
  // when the focus leaves it (OK and Apply count as leaving).
  // (The button, not the window: the box may still signal while the window
  // is being torn down.)
  const auto enableApply = [apply = cmdApply] { apply->setEnabled(true); };
  connect(cmbPDFWriter->lineEdit(), &QLineEdit::textEdited, cmdApply, enableApply);
  connect(cmbPDFWriter, &QComboBox::activated, cmdApply, enableApply);

  OfferDirTarget(app_, 1, txtSourceDir, this);
  OfferDirTarget(app_, 2, txtDestDir, this);
}

void frmConfig::Form_Load() {
  (new OuterSize(this, QSize(6105, 4600)))->Apply();

  // The pages cover the strip's client area, below its tabs; page 0 on top.
  const QRect strip = TwRect(120, 120, 5775, 3495);
  const QRect client(strip.left() + 2, strip.top() + TabMain->height(), strip.width() - 4,
                     strip.height() - TabMain->height() - 2);
  for (QFrame* page : fraTab) page->setGeometry(client);
  for (int i = int(fraTab.size()) - 1; i >= 0; --i) fraTab[size_t(i)]->raise();

  const SettingsRecord& s = app_.ini.Settings;
  txtLogFile->setText(s.LogFile);
  chkLogFile->setChecked(s.LogFileEnable);
  txtSourceDir->setText(s.SourceDir);
  chkDelFlg->setChecked(s.SourceDel);
  txtDestDir->setText(s.DestDir);
  chkDupFlg->setChecked(s.DestDup);
  chkFlip->setChecked(s.chkFlip_flg);
  chkModern->setChecked(s.ModernFormats);
  cmbPDFWriter->setEditText(s.PDFWriterName);

  // The printers go into the list after the edit text: no entry selected,
  // the saved name kept whether or not such a printer exists.
  const QString saved = cmbPDFWriter->currentText();
  for (const platform::PrinterInfo& printer : app_.platform.printers.InstalledPrinters())
    cmbPDFWriter->addItem(printer.DeviceName);
  cmbPDFWriter->setCurrentIndex(-1);
  cmbPDFWriter->setEditText(saved);

  cmdApply->setEnabled(false);
  cmdCancel->setFocus();
}

void frmConfig::TabMain_Click() {
  const int selected = TabMain->currentIndex() + 1;
  const QRect strip = TwRect(120, 120, 5775, 3495);
  // The focus must not stay behind in a page that goes out of sight.
  QWidget* focus = QApplication::focusWidget();
  for (int i = 0; i < int(fraTab.size()); ++i)
    if (i != selected - 1 && focus && fraTab[size_t(i)]->isAncestorOf(focus)) TabMain->setFocus();
  for (int i = 0; i < int(fraTab.size()); ++i) {
    QFrame* page = fraTab[size_t(i)];
    if (i == selected - 1) {
      page->move(strip.left() + 2, page->y());
      page->setEnabled(true);
    } else {
      page->move(-20000, page->y());  // out of sight, and out of the focus order
      page->setEnabled(false);
    }
  }
}

void frmConfig::Form_KeyDown(int16_t keyCode, int16_t shift) {
  if (keyCode != 9) return;
  const int tabs = TabMain->count();
  const int selected = TabMain->currentIndex() + 1;
  switch (shift & 3) {
    case 2:
      TabMain->setCurrentIndex(selected == tabs ? 0 : selected);
      break;
    case 3:
      TabMain->setCurrentIndex(selected == 1 ? tabs - 1 : selected - 2);
      break;
    default:
      break;
  }
}

bool frmConfig::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    // Seen once, on its way to the focused control of this dialog.
    if (widget && widget == QApplication::focusWidget() && widget->window() == this &&
        (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
      const Qt::KeyboardModifiers m = key->modifiers();
      const int16_t shift =
          int16_t(((m & Qt::ShiftModifier) ? 1 : 0) | ((m & Qt::ControlModifier) ? 2 : 0) |
                  ((m & Qt::AltModifier) ? 4 : 0));
      Form_KeyDown(9, shift);
    }
  } else if (watched == cmbPDFWriter && event->type() == QEvent::FocusOut) {
    // Opening the drop-down is not leaving the box.
    if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
      cmbPDFWriter_LostFocus();
  }
  return QDialog::eventFilter(watched, event);
}

void frmConfig::mark(QWidget* control) {
  cmdApply->setEnabled(true);
  SetMark(control);
}

void frmConfig::cmbPDFWriter_LostFocus() {
  mark(cmbPDFWriter);
}

void frmConfig::cmdSrcDIr_Click() {
  app_.DirSelectTarget = 1;
  frmFile(app_).exec();
}

void frmConfig::cmdDesDir_Click() {
  app_.DirSelectTarget = 2;
  frmFile(app_).exec();
}

void frmConfig::cmdLogFile_Click() {
  const auto chosen = app_.platform.ui.OpenFileDialog(
      QStringLiteral("ログファイル(*.txt)|*.txt|すべてのファイル (*.*)|*.*"), 1,
      dlgCommonFileName_);
  if (!chosen) return;  // a cancel ends it quietly
  dlgCommonFileName_ = *chosen;
  txtLogFile->setText(*chosen);
}

void frmConfig::stop(const QString& message) {
  app_.platform.ui.MsgBox(message);
}

void frmConfig::SaveSettings() {
  const auto marked = [](const QWidget* control) { return IsMarked(control); };
  SettingsSave save(app_);
  const auto write = [&save](const char* section, const char* key, const QString& value) {
    return save.Write(QString::fromLatin1(section), QString::fromLatin1(key), value);
  };
  if (!save.RequiredText(
          txtSourceDir, "Source_Info", "SourceDir",
          QStringLiteral("変換元ディレクトリーは必須項目です。再度入力してください。")))
    return;
  if (marked(chkDelFlg) && !write("Source_Info", "SourceDel", flag(chkDelFlg))) return;
  if (!save.RequiredText(
          txtDestDir, "Dest_Info", "DestDir",
          QStringLiteral("変換先ディレクトリーは必須項目です。再度入力してください。")))
    return;
  if (marked(chkDupFlg) && !write("Dest_Info", "DestDup", flag(chkDupFlg))) return;
  if (marked(chkLogFile) && !write("Log_Info", "LogFileEnable", flag(chkLogFile))) return;
  if (marked(txtLogFile) && !write("Log_Info", "LogFile", txtLogFile->text())) return;
  if (!txtLogFile->text().isEmpty() && !chkLogFile->isChecked())
    return stop(QStringLiteral("ログファイル作成フラグを入力してください。"));
  if (marked(cmbPDFWriter)) {
    if (!write("PDF_Info", "PDFWriterName", cmbPDFWriter->currentText())) return;
  } else if (cmbPDFWriter->currentText().isEmpty()) {
    return stop(QStringLiteral("PDF Writer 名を入力してください。"));
  }
  if (marked(chkFlip) && !write("PDF_Info", "chkFlip_flg", flag(chkFlip))) return;
  if (marked(chkModern) && !write("Source_Info", "ModernFormats", flag(chkModern))) return;
  app_.ini.ReadIniFile();
}

}  // namespace folvane
