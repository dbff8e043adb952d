#include "BatchRun.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include "convert/PrinterSwitch.h"
#include "convert/modConvPDF.h"
#include "platform/Printers.h"

namespace folvane::batch {
namespace {

QString resultWord(ConvertedFile::Result result) {
  switch (result) {
    case ConvertedFile::Result::Converted:
      return QStringLiteral("converted");
    case ConvertedFile::Result::Kept:
      return QStringLiteral("kept");
    case ConvertedFile::Result::Failed:
      break;
  }
  return QStringLiteral("failed");
}

// A folder as the run names it: absolute, no trailing separator.
QString folder(const QString& path) {
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

void BatchRun::tell(const QString& line) {
  platform_.progress.Hide();
  err_ << line << Qt::endl;
}

int BatchRun::Run(const Request& request) {
  const QFileInfo source(request.source), target(request.target);
  if (!source.isDir()) {
    tell(QStringLiteral("変換元のフォルダー「%1」がありません。").arg(request.source));
    return kCannotRun;
  }
  if (!target.isDir() || !target.isWritable()) {
    tell(QStringLiteral("変換先のフォルダー「%1」に書き込めません。").arg(request.target));
    return kCannotRun;
  }
  SettingsRecord settings;
  settings.SourceDir = folder(request.source);
  settings.DestDir = folder(request.target);
  settings.SourceDel = request.deleteSources;
  settings.DestDup = request.replace;
  settings.LogFile = request.log.isEmpty() ? QString() : QFileInfo(request.log).absoluteFilePath();
  settings.LogFileEnable = !request.log.isEmpty();
  settings.PDFWriterName = platform::kVirtualPdfPrinter;

  modConvPDF run(platform_, settings, imagePage_);
  if (request.log.isEmpty()) run.WithoutLog();
  int converted = 0, failed = 0, kept = 0;
  run.OnFile([&](const ConvertedFile& file) {
    switch (file.result) {
      case ConvertedFile::Result::Converted:
        ++converted;
        break;
      case ConvertedFile::Result::Kept:
        ++converted;
        ++kept;
        tell(QStringLiteral("元のファイルを残しました：%1：%2")
                 .arg(LogText(file.source), file.reason));
        break;
      case ConvertedFile::Result::Failed:
        ++failed;
        tell(QStringLiteral("変換できませんでした：%1：%2").arg(LogText(file.source), file.reason));
        break;
    }
    if (!request.json) return;
    QJsonObject line{{"path", file.source},
                     {"result", resultWord(file.result)},
                     {"output", file.output.isEmpty() ? QJsonValue() : QJsonValue(file.output)},
                     {"reason", file.reason.isEmpty() ? QJsonValue() : QJsonValue(file.reason)},
                     {"deleted", file.deleted}};
    out_ << QJsonDocument(line).toJson(QJsonDocument::Compact) << Qt::endl;
  });
  QList<ConversionFailure> failures;
  const bool ran = PrinterSwitch(platform_).Run(settings.PDFWriterName,
                                                [&] { failures = run.ConvertDirectory(); });
  if (!ran) return kCannotRun;
  // What concerns the run as a whole: the folder taken, a log not written.
  for (const ConversionFailure& f : failures)
    if (f.notice) tell(f.reason);
  if (run.FolderBusy()) return kCannotRun;
  tell(QStringLiteral("%1 件変換しました。").arg(converted) +
       (failed ? QStringLiteral("%1 件変換できませんでした。").arg(failed) : QString()) +
       (kept ? QStringLiteral("%1 件は元のファイルを残しました。").arg(kept) : QString()));
  const bool notices =
      std::any_of(failures.begin(), failures.end(), [](const auto& f) { return f.notice; });
  return failed || kept || notices ? kSomeFailed : kDone;
}

}  // namespace folvane::batch
