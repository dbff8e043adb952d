// folvane-batch: the window's jobs for scripts and scheduled runs. It runs
// in a world of its own (its own win.ini, registry and PDF printer files in
// its spool folder), so the window's settings, its default printer and
// win.ini are never touched, and it may run while the window runs.
#include <unistd.h>

#include <cstdio>

#include <QApplication>
#include <QFileInfo>
#include <QTextStream>

#include "batch/BatchCommand.h"
#include "batch/BatchRun.h"
#include "platform/LinuxPlatform.h"
#include "platform/desktop/CommandUi.h"
#include "platform/process/InstallLayout.h"
#include "platform/profile/SystemFolder.h"
#include "widgets/frmImage.h"

namespace {

// Why no document could be rendered here at all; empty when one can.
QString missingEngine() {
  const QString helper =
      folvane::platform::InstallLayout::OfficeHelperPath(QCoreApplication::applicationFilePath());
  if (!QFileInfo(helper).isExecutable())
    return QStringLiteral("変換プログラム「%1」がありません。").arg(helper);
  if (!QFileInfo::exists(QStringLiteral("/usr/lib/libreoffice/program/soffice")))
    return QStringLiteral("LibreOffice がインストールされていません。");
  return {};
}

// Standard error is for what became of the files: Qt's own remarks (no
// runtime folder, fonts) are no concern of a script's.
void quietQt(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fputs((text + u'\n').toLocal8Bit().constData(), stderr);
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace folvane;
  QTextStream out(stdout), err(stderr);
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const batch::Parsed parsed = batch::ParseArguments(arguments);
  if (!parsed.request) {
    (parsed.status == batch::kDone ? out : err) << parsed.text << Qt::flush;
    return parsed.status;
  }

  qInstallMessageHandler(quietQt);
  // No window is ever shown; pictures are still drawn for the PDF printer.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  platform::SystemFolder::Prepare();
  QApplication app(argc, argv);
  if (const QString why = missingEngine(); !why.isEmpty()) {
    err << why << Qt::endl;
    return batch::kCannotRun;
  }
  platform::LinuxPlatform::Options options;
  options.root = platform::SystemFolder::SpoolDir(::getpid()) + QStringLiteral("/world");
  options.ui = std::make_unique<platform::CommandUi>();
  options.progress = std::make_unique<platform::TerminalProgress>();
  platform::LinuxPlatform linux(std::move(options));
  platform::Platform& p = linux.platform();
  // The PDF printer of this world collects into this world's file.
  p.profile.WriteProfileStringA(QStringLiteral("Acrobat PDFWriter"), QStringLiteral("PDFFileName"),
                                p.collectingFile);
  frmImage imagePage;
  return batch::BatchRun(p, imagePage, out, err).Run(*parsed.request);
}
