#include "BatchRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include "acrobat/clsPDFMarge.h"
#include "convert/PrinterSwitch.h"
#include "convert/modConvPDF.h"
#include "platform/Failure.h"
#include "platform/printing/Printers.h"

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

int BatchRun::Run(const Request& request) {
  switch (request.job) {
    case Job::Merge:
      return merge(request);
    case Job::Print:
      return print(request);
    case Job::Convert:
      break;
  }
  return convert(request);
}

void BatchRun::json(const Request& request, const QString& path, const QString& result,
                    const QString& output, const QString& reason, std::optional<bool> deleted) {
  if (!request.json) return;
  const auto orNull = [](const QString& s) { return s.isEmpty() ? QJsonValue() : QJsonValue(s); };
  QJsonObject line{
      {"path", path}, {"result", result}, {"output", orNull(output)}, {"reason", orNull(reason)}};
  if (deleted) line.insert("deleted", *deleted);
  out_ << QJsonDocument(line).toJson(QJsonDocument::Compact) << Qt::endl;
}

bool BatchRun::tellUnreadable(const QStringList& names, const QString& source,
                              const QString& what) {
  for (const QString& name : names)
    tell(QStringLiteral("名前を読めないため%1していません：%2/%3").arg(what, source, name));
  return !names.isEmpty();
}

void BatchRun::tell(const QString& line) {
  platform_.progress.Hide();
  err_ << line << Qt::endl;
}

int BatchRun::convert(const Request& request) {
  const QFileInfo source(request.source), target(request.target);
  if (!source.isDir()) {
    tell(QStringLiteral("変換元のフォルダー「%1」がありません。").arg(request.source));
    return kCannotRun;
  }
  if (!target.isDir() || !target.isWritable()) {
    tell(QStringLiteral("変換先のフォルダー「%1」に書き込めません。").arg(request.target));
    return kCannotRun;
  }
  // A log asked for but not writable would lose its lines in silence.
  if (!request.log.isEmpty()) {
    QFile log(request.log);
    if (!log.open(QIODevice::Append)) {
      tell(QStringLiteral("ログファイル「%1」に書き込めません。").arg(request.log));
      return kCannotRun;
    }
  }
  SettingsRecord settings;
  settings.SourceDir = folder(request.source);
  settings.DestDir = folder(request.target);
  settings.SourceDel = request.deleteSources;
  settings.DestDup = request.replace;
  settings.ModernFormats = request.modern;
  settings.LogFile = request.log.isEmpty() ? QString() : QFileInfo(request.log).absoluteFilePath();
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
    json(request, file.source, resultWord(file.result), file.output, file.reason, file.deleted);
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

int BatchRun::merge(const Request& request) {
  const QFileInfo out(request.target);
  const QFileInfo outFolder(out.absolutePath());
  if (!QFileInfo(request.source).isDir()) {
    tell(QStringLiteral("統合元のフォルダー「%1」がありません。").arg(request.source));
    return kCannotRun;
  }
  if (out.isDir() || !outFolder.isDir() || !outFolder.isWritable() ||
      (out.exists() && !out.isWritable())) {
    tell(QStringLiteral("統合ファイル「%1」に書き込めません。").arg(request.target));
    return kCannotRun;
  }
  const QString target = out.absoluteFilePath();
  clsPDFMarge marge(platform_);
  marge.SourceDir(folder(request.source));
  marge.DestFile(target);
  QList<QPair<QString, QString>> files;
  marge.OnFile([&](const QString& path, const QString& failure) { files.append({path, failure}); });
  int16_t result = 1;
  QString failure;
  try {
    result = marge.PdfInsert();
  } catch (const platform::Failure& e) {
    failure = e.message();
  }
  const bool unreadable =
      tellUnreadable(marge.UnreadableNames(), folder(request.source), QStringLiteral("統合"));
  if (!failure.isEmpty()) {
    tell(failure);
  } else if (result != 0) {
    tell(QStringLiteral("フォルダー「%1」に PDF ファイルがありません。").arg(request.source));
    return kSomeFailed;
  }
  for (const auto& [path, why] : files) {
    if (failure.isEmpty())
      json(request, path, QStringLiteral("merged"), target, {});
    else if (!why.isEmpty())
      json(request, path, QStringLiteral("failed"), {}, why);
    else
      json(request, path, QStringLiteral("not-merged"), {},
           QStringLiteral("ほかのファイルを開けなかったため統合していません。"));
  }
  if (!failure.isEmpty()) return kSomeFailed;
  tell(QStringLiteral("%1 件を「%2」に統合しました。").arg(files.size()).arg(target));
  return unreadable ? kSomeFailed : kDone;
}

int BatchRun::print(const Request& request) {
  if (!QFileInfo(request.source).isDir()) {
    tell(QStringLiteral("印刷するフォルダー「%1」がありません。").arg(request.source));
    return kCannotRun;
  }
  // The command's world has no default of its own: the system's is used.
  const QString printer =
      request.printer.isEmpty() ? platform_.printers.CurrentPrinterDeviceName() : request.printer;
  if (printer.isEmpty()) {
    tell(QStringLiteral(
        "通常使うプリンターがありません。--printer でプリンターを指定してください。"));
    return kCannotRun;
  }
  // Its PDF printer collects into a file that goes with the command.
  if (printer == platform::kVirtualPdfPrinter) {
    tell(QStringLiteral("PDF プリンター「%1」には印刷できません。").arg(printer));
    return kCannotRun;
  }
  clsPDFMarge marge(platform_);
  marge.SourceDir(folder(request.source));
  int printed = 0;
  QString failure;
  marge.OnFile([&](const QString& path, const QString& why) {
    if (why.isEmpty()) ++printed;
    json(request, path, why.isEmpty() ? QStringLiteral("printed") : QStringLiteral("failed"),
         why.isEmpty() ? printer : QString(), why);
  });
  const bool ran = PrinterSwitch(platform_).Run(printer, [&] {
    try {
      marge.PDFPrint();
    } catch (const platform::Failure& e) {
      failure = e.message();
    }
  });
  if (!ran) return kCannotRun;
  const bool unreadable =
      tellUnreadable(marge.UnreadableNames(), folder(request.source), QStringLiteral("印刷"));
  if (!failure.isEmpty()) tell(QStringLiteral("印刷を中止しました：%1").arg(failure));
  tell(QStringLiteral("%1 件を「%2」に印刷しました。").arg(printed).arg(printer));
  return failure.isEmpty() && !unreadable ? kDone : kSomeFailed;
}

}  // namespace folvane::batch
