#include "Folvane.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QToolButton>

#include "acrobat/clsPDFMarge.h"
#include "acrobat/frmInsertPDF.h"
#include "acrobat/frmPrintPDF.h"
#include "config/frmConfig.h"
#include "convert/PrinterSwitch.h"
#include "convert/frmFileConv.h"
#include "convert/modConvPDF.h"
#include "frmAbout.h"
#include "platform/Failure.h"
#include "platform/process/SingleInstance.h"
#include "widgets/JobMessages.h"
#include "widgets/controls/OuterSize.h"
#include "widgets/controls/PictureButton.h"
#include "widgets/controls/Twips.h"

namespace folvane {
namespace {

const QColor kCream(255, 255, 192);

// The hourglass while a job runs; gone before any message about it.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};
const QColor kCyan(128, 255, 255);

}  // namespace

Folvane::Folvane(App& app) : app_(app) {
  setObjectName(QStringLiteral("Folvane"));
  setWindowTitle(QStringLiteral("Folvane管理プログラム"));
  setWindowIcon(QIcon(QStringLiteral(":/icons/folvane.svg")));

  mnuFile = menuBar()->addMenu(QStringLiteral("環境設定(&E)"));
  mnuConv = mnuFile->addAction(QStringLiteral("PDF変換(&C)"), this, &Folvane::mnuConv_Click);
  mnuMarge = mnuFile->addAction(QStringLiteral("PDF統合(&M)"), this, &Folvane::mnuMarge_Click);
  mnuPrint = mnuFile->addAction(QStringLiteral("PDF出力(&P)"), this, &Folvane::mnuPrint_Click);
  mnuBar = mnuFile->addSeparator();
  mnuQuit = mnuFile->addAction(QStringLiteral("終了(&Q)"), this, &Folvane::mnuQuit_Click);
  mnuVer = menuBar()->addAction(QStringLiteral("バージョン情報(&I)"), this, &Folvane::mnuVer_Click);

  auto* client = new QWidget(this);
  client->setMinimumSize(Tw(4800), Tw(840));
  setCentralWidget(client);

  struct ButtonLayout {
    QToolButton** button;
    const char* name;
    int left;
    QColor face;
    QString caption;
    QString tip;
    QString icon;
  };
  const ButtonLayout buttons[] = {
      {&cmdIConv, "cmdIConv", 0, kCream, QStringLiteral("PDF変換"),
       QStringLiteral("ディレクトリ単位で一括変換を実行する。"),
       QStringLiteral(":/icons/iconv.svg")},
      {&cmdMarge, "cmdMarge", 1200, kCream, QStringLiteral("PDF統合"),
       QStringLiteral("ディレクトリ内のPDFファイルを１ファイルに統合する。"),
       QStringLiteral(":/icons/marge.svg")},
      {&cmdPrint, "cmdPrint", 2400, kCream, QStringLiteral("PDF印刷"),
       QStringLiteral("ディレクトリ内のPDFファイルを一括出力する。"),
       QStringLiteral(":/icons/print.svg")},
      {&cmdQuit, "cmdQuit", 3600, kCyan, QStringLiteral("終\u3000了"),
       QStringLiteral("プログラムを終了する。"), QStringLiteral(":/icons/quit.svg")},
      {&cmdConv, "cmdConv", 4800, kCream, QStringLiteral("PDF変換"),
       QStringLiteral("ファイル単位でPDF変換を実行する。"), QStringLiteral(":/icons/conv.svg")},
  };
  for (const ButtonLayout& s : buttons) {
    auto* b = new PictureButton(s.caption, s.icon, s.face, client);
    b->setObjectName(QString::fromLatin1(s.name));
    b->setGeometry(TwRect(s.left, 0, 1215, 855));
    b->setFont(UiFont(11.25, true));
    b->setToolTip(s.tip);
    *s.button = b;
  }
  connect(cmdIConv, &QToolButton::clicked, this, &Folvane::cmdIConv_Click);
  connect(cmdMarge, &QToolButton::clicked, this, &Folvane::cmdMarge_Click);
  connect(cmdPrint, &QToolButton::clicked, this, &Folvane::cmdPrint_Click);
  connect(cmdQuit, &QToolButton::clicked, this, &Folvane::mnuQuit_Click);
  connect(cmdConv, &QToolButton::clicked, this, &Folvane::cmdConv_Click);

  setTabOrder(cmdConv, cmdIConv);
  setTabOrder(cmdIConv, cmdPrint);
  setTabOrder(cmdPrint, cmdQuit);
  setTabOrder(cmdQuit, cmdMarge);
  cmdConv->setFocus();
}

void Folvane::Form_Load() {
  // A printer switch a killed run left in force is undone before anything
  // else; one in force when the program ends is undone on the way out.
  PrinterSwitch::Recover(app_.platform);
  app_.platform.process.AddEndHook(
      platform::EndStage::RestoreSettings,
      [&platform = app_.platform] { PrinterSwitch::Recover(platform); });
  app_.ini.ReadIniFile();
  ResetPdfFileName();
  move(0, 0);
  applyOuterSize();
}

void Folvane::ResetPdfFileName() {
  const QString winIni = app_.platform.process.Environ(QStringLiteral("windir")) +
                         platform::kPathSep + QStringLiteral("win.ini");
  app_.platform.profile.WritePrivateProfileStringA(QStringLiteral("Acrobat PDFWriter"),
                                                   QStringLiteral("PDFFileName"),
                                                   app_.platform.collectingFile, winIni);
}

void Folvane::applyOuterSize() {
  // The outer size includes the frame, which the window manager makes known
  // only some time after the window is shown; OuterSize follows it.
  auto* outer = findChild<OuterSize*>(QString(), Qt::FindDirectChildrenOnly);
  if (!outer) outer = new OuterSize(this, QSize(4900, 1620));
  outer->Apply();
}

void Folvane::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  applyOuterSize();
}

void Folvane::closeEvent(QCloseEvent* event) {
  event->accept();
  mnuQuit_Click();
}

void RunJob(platform::Ui& ui, const std::function<void()>& job) {
  try {
    job();
  } catch (const platform::Failure& e) {
    ui.MsgBox(e.message(), platform::MsgIcon::Critical);
  } catch (const std::exception& e) {
    ui.MsgBox(QStringLiteral("処理中にエラーが発生しました。\n%1").arg(QString::fromUtf8(e.what())),
              platform::MsgIcon::Critical);
  }
}

// PDF files a merge or print left out because their names could not be read.
static void TellUnreadable(platform::Ui& ui, const QStringList& names, const QString& job) {
  if (names.isEmpty()) return;
  ui.MsgBox(
      platform::ListedMessage(
          QStringLiteral("次の PDF ファイルは、名前の文字コードが UTF-8 でも CP932 でもないため"
                         "読めず、%1していません。\n")
              .arg(job),
          names),
      platform::MsgIcon::Warning);
}

// PDF files a merge put in as nothing, having no page.
static void TellPageless(platform::Ui& ui, const QStringList& names) {
  if (names.isEmpty()) return;
  ui.MsgBox(platform::ListedMessage(
                QStringLiteral("次の PDF ファイルにはページがないため、統合ファイルに何も"
                               "加わっていません。\n"),
                names),
            platform::MsgIcon::Warning);
}

void Folvane::tellWhenLong(qint64 began, const QString& text) {
  constexpr qint64 kLongJobMs = 10000;
  if (app_.platform.clock.MonotonicMs() - began <= kLongJobMs || isActiveWindow()) return;
  app_.platform.ui.Notify(text, [this] { platform::SingleInstance::BringForward(*this); });
}

void Folvane::cmdIConv_Click() {
  const JobGuard guard(app_);
  if (!guard) return;
  const qint64 began = app_.platform.clock.MonotonicMs();
  // A settings window saved during the run must not move its remaining files.
  const SettingsRecord settings = app_.ini.Settings;
  QList<ConversionFailure> failures;
  int converted = 0, notConverted = 0;
  RunJob(app_.platform.ui, [&] {
    const WaitCursor wait;
    PrinterSwitch(app_.platform).Run(settings.PDFWriterName, [&] {
      modConvPDF run(app_.platform, settings, app_.imagePage);
      run.OnFile([&](const ConvertedFile& file) {
        ++(file.result == ConvertedFile::Result::Failed ? notConverted : converted);
      });
      failures = run.ConvertDirectory();
    });
  });
  tellWhenLong(began, notConverted == 0
                          ? QStringLiteral("PDF 変換が終わりました（%1 件変換）").arg(converted)
                          : QStringLiteral("PDF 変換が終わりました（%1 件変換、%2 件変換できません"
                                           "でした）")
                                .arg(converted)
                                .arg(notConverted));
  if (!failures.isEmpty())
    app_.platform.ui.MsgBox(FailureReport(failures), platform::MsgIcon::Warning);
  TellDiversions(app_.platform);
}

void Folvane::cmdMarge_Click() {
  const JobGuard guard(app_);
  if (!guard) return;
  const qint64 began = app_.platform.clock.MonotonicMs();
  int16_t result = 0;
  bool saved = false;
  int files = 0;
  clsPDFMarge marge(app_.platform);
  marge.OnFile([&](const QString&, const QString&) { ++files; });
  RunJob(app_.platform.ui, [&] {
    const WaitCursor wait;
    marge.SourceDir(app_.ini.Settings.MergeDir);
    marge.DestFile(app_.ini.Settings.MergeFileNm);
    result = marge.PdfInsert();
    saved = result == 0;
  });
  tellWhenLong(began, saved ? QStringLiteral("PDF 統合が終わりました（%1 件）").arg(files)
                            : QStringLiteral("PDF 統合が終わりました（統合できませんでした）"));
  if (result == 1)
    app_.platform.ui.MsgBox(
        QStringLiteral("統合処理実行エラー又は変換するファイルが存在しません。"),
        platform::MsgIcon::None, QStringLiteral("PDF統合処理"));
  if (saved) TellPageless(app_.platform.ui, marge.PagelessNames());
  TellUnreadable(app_.platform.ui, marge.UnreadableNames(), QStringLiteral("統合"));
}

void Folvane::cmdPrint_Click() {
  const JobGuard guard(app_);
  if (!guard) return;
  const qint64 began = app_.platform.clock.MonotonicMs();
  int printed = 0;
  clsPDFMarge marge(app_.platform);
  marge.OnFile([&](const QString&, const QString& failure) { printed += failure.isEmpty(); });
  RunJob(app_.platform.ui, [&] {
    const WaitCursor wait;
    marge.SourceDir(app_.ini.Settings.PrintDir);
    marge.PDFPrint();
  });
  tellWhenLong(began, QStringLiteral("PDF 印刷が終わりました（%1 件印刷）").arg(printed));
  TellUnreadable(app_.platform.ui, marge.UnreadableNames(), QStringLiteral("印刷"));
  TellDiversions(app_.platform);
}

void Folvane::cmdConv_Click() {
  // The window's conversion is a job of its own.
  const JobGuard guard(app_);
  if (!guard) return;
  frmFileConv window(app_);
  window.exec();
}
void Folvane::mnuConv_Click() {
  frmConfig dialog(app_);
  dialog.exec();
}
void Folvane::mnuMarge_Click() {
  frmInsertPDF window(app_);
  window.exec();
}

void Folvane::mnuPrint_Click() {
  frmPrintPDF window(app_);
  window.exec();
}

void Folvane::mnuQuit_Click() {
  app_.platform.process.End();
}

void Folvane::mnuVer_Click() {
  frmAbout about;
  about.exec();
}

}  // namespace folvane
