#include "modConvPDF.h"

#include <QFile>

#include "modAPIReg.h"
#include "platform/ErrnoText.h"
#include "platform/Failure.h"

namespace folvane {
namespace {

const QString kPdf = QStringLiteral(".pdf");

// Runs one automation step under skip-and-continue: a failure is noted (the
// first one is the cause the user sees) and the next step runs all the same.
template <typename Step>
bool attempt(QString& firstError, Step&& step) {
  try {
    step();
    return true;
  } catch (const platform::Failure& e) {
    if (firstError.isEmpty()) firstError = e.message();
  } catch (const std::exception& e) {
    if (firstError.isEmpty()) firstError = QString::fromUtf8(e.what());
  }
  return false;
}

// The documents announced to the office for as long as a run lasts.
class ExpectedDocuments {
 public:
  ExpectedDocuments(platform::Office& office, const QStringList& paths) : office_(office) {
    office_.Expect(paths);
  }
  ~ExpectedDocuments() { office_.Expect({}); }
  ExpectedDocuments(const ExpectedDocuments&) = delete;
  ExpectedDocuments& operator=(const ExpectedDocuments&) = delete;

 private:
  platform::Office& office_;
};

// What a listed file is to the run, and how many characters of its name
// the base name drops: the last three letters decide (".doc", ".xls",
// ".jpg", ".tif", the dot or whatever stands there dropped with them); with
// today's formats asked for, also the whole extension after the last dot.
struct FileKind {
  enum What { None, Word, Excel, Picture } what = None;
  qsizetype dropped = 4;
  bool document() const { return what == Word || what == Excel; }
};

FileKind kindOf(const QString& name, bool modern) {
  const QString key = name.right(3).toUpper();
  if (key == u"DOC") return {FileKind::Word};
  if (key == u"XLS") return {FileKind::Excel};
  if (key == u"JPG" || key == u"TIF") return {FileKind::Picture};
  const qsizetype dot = name.lastIndexOf(u'.');
  if (modern && dot > 0) {
    const QString ext = name.mid(dot + 1).toLower();
    const qsizetype dropped = name.size() - dot;
    for (const char* word : {"docx", "docm", "rtf", "odt"})
      if (ext == QLatin1String(word)) return {FileKind::Word, dropped};
    for (const char* sheet : {"xlsx", "xlsm", "ods"})
      if (ext == QLatin1String(sheet)) return {FileKind::Excel, dropped};
  }
  return {};
}

}  // namespace

QList<ConversionFailure> modConvPDF::ConvertDirectory() {
  const QString& sep = platform::kPathSep;
  QList<ConversionFailure> failures;
  // Two runs over one folder would print and delete the same files.
  const auto claim = platform_.files.ClaimFolder(settings_.SourceDir);
  busy_ = !claim;
  if (busy_)
    return {{settings_.SourceDir,
             QStringLiteral("フォルダー「%1」はほかの変換が処理中のため、変換しませんでした。")
                 .arg(settings_.SourceDir),
             true}};
  // None: the lines are lost.
  if (!withoutLog_) log_ = platform_.files.OpenForAppend(settings_.LogFile);

  QStringList unreadable;
  const QStringList names =
      platform_.files.FileSearch(settings_.SourceDir + sep + "*.*", &unreadable);
  const bool modern = settings_.ModernFormats;
  for (const QString& name : unreadable) {
    if (kindOf(name, modern).what != FileKind::None) {
      failures.append({name, QStringLiteral("ファイル名の文字コードが UTF-8 でも CP932 でもないため"
                                            "読めません。")});
      if (onFile_)
        onFile_({settings_.SourceDir + sep + name,
                 ConvertedFile::Result::Failed,
                 {},
                 failures.last().reason});
    }
  }
  // The office may render the documents ahead, in the order they come.
  QStringList documents;
  for (const QString& name : names)
    if (kindOf(name, modern).document()) documents << settings_.SourceDir + sep + name;
  const ExpectedDocuments expected(platform_.office, documents);
  bool deleted = false;
  platform::ProgressRun progress(platform_.progress, names.size());
  for (const QString& name : names) convertFile(name, modern, progress, failures, deleted);
  // Sources went while nothing recorded where their PDFs are.
  if (!log_ && !withoutLog_ && deleted)
    failures.prepend(
        {settings_.LogFile,
         QStringLiteral("ログファイル「%1」を開けなかったため、削除した変換元ファイルの"
                        "記録が残っていません。")
             .arg(settings_.LogFile),
         true});
  log_.reset();
  return failures;
}

// One file of the run: printed to the PDF printer, its PDF put in the
// destination, three lines logged and the source deleted when asked.
void modConvPDF::convertFile(const QString& name, bool modern, platform::ProgressRun& progress,
                             QList<ConversionFailure>& failures, bool& deleted) {
  const QString& sep = platform::kPathSep;
  progress.Working(name);
  bool converted = false;
  // The base name drops the dot and a three-letter extension (or today's
  // whole extension); a shorter name has none, and every step that needs
  // it is skipped.
  const FileKind kind = kindOf(name, modern);
  const bool hasBase = name.size() >= kind.dropped;
  const QString baseName = hasBase ? name.left(name.size() - kind.dropped) : QString();
  if (hasBase) SetPDFWriterFileName(platform_, platform_.outputFolder + baseName + kPdf);

  const QString source = settings_.SourceDir + sep + name;
  const bool wordOrExcel = kind.document();
  bool printed = false;
  QString printError;
  platform::FileVersion version;
  if (kind.what != FileKind::None) {
    // A PDF left from an earlier file must never pass for this file's.
    platform_.files.Delete(platform_.collectingFile);
    if (wordOrExcel) {
      printError = printWithApplication(
          kind.what == FileKind::Excel ? platform::OfficeKind::Excel : platform::OfficeKind::Word,
          source, version);
      printed = printError.isEmpty();
    } else {
      imagePage_.strImageNm = source;
      imagePage_.Load();
      imagePage_.Unload();
    }
    converted = true;
  }

  progress.Step();
  platform_.ui.DoEvents();

  if (!converted) return;
  const QString date = platform_.clock.DateText();  // date first, then time
  const QString time = platform_.clock.TimeText();
  writeLine(QStringLiteral("処理実行日：") + date + QStringLiteral("    時間は：") + time +
            QStringLiteral("  です。"));
  writeLine(QStringLiteral("変換前：") + settings_.SourceDir + sep + name +
            QStringLiteral("  ------> "));
  // Today's names count as their base name with a three-letter extension.
  const QString asNamed = kind.dropped == 4 ? name : baseName + kPdf;
  const Placed placed = hasBase ? placePdf(asNamed, baseName)
                                : Placed{false, QStringLiteral("ファイル名が短すぎます。"), {}};
  // Only a PDF printed from this very file, now in the destination, lets
  // the source go, and only as the version that was printed.
  ConvertedFile file{source,
                     ConvertedFile::Result::Converted,
                     placed.moved ? placed.destination : QString(),
                     {},
                     false};
  if (printed && placed.moved) {
    if (settings_.SourceDel) {
      if (auto kept = deleteSource(name, source, version)) {
        failures.append(*kept);
        file.result = ConvertedFile::Result::Kept;
        file.reason = kept->reason;
      } else {
        deleted = file.deleted = true;
      }
    }
  } else if (wordOrExcel) {
    failures.append({name, printed ? placed.reason : printError});
    file.result = ConvertedFile::Result::Failed;
    file.reason = failures.last().reason;
  } else if (!placed.moved) {
    file.result = ConvertedFile::Result::Failed;
    file.reason = placed.reason;
  }
  if (onFile_) onFile_(file);
}

std::optional<ConversionFailure> modConvPDF::deleteSource(const QString& name,
                                                          const QString& source,
                                                          const platform::FileVersion& printed) {
  const auto kept = [&](const QString& reason) {
    return ConversionFailure{name, reason, false, true};
  };
  const platform::Deletion done = platform_.files.DeleteVersion(source, printed);
  const int error = errno;
  switch (done) {
    case platform::Deletion::Deleted:
    case platform::Deletion::Gone:
      return std::nullopt;
    case platform::Deletion::Changed:
      return kept(
          QStringLiteral("変換中に変更されたため、削除しませんでした"
                         "（PDF は変更前の内容です）。"));
    case platform::Deletion::InUse:
      return kept(QStringLiteral("ほかのプログラムが書き込み中のため、削除しませんでした。"));
    case platform::Deletion::Failed:
      break;
  }
  return kept(QStringLiteral("削除できませんでした（%1）。").arg(platform::ErrnoText(error)));
}

QString modConvPDF::printWithApplication(platform::OfficeKind kind, const QString& source,
                                         platform::FileVersion& printed) {
  QString error;
  std::unique_ptr<platform::OfficeApplication> app;
  const auto noApp = [] {
    throw platform::Failure(QStringLiteral("アプリケーションを起動できません。"));
  };
  attempt(error, [&] { app = platform_.office.CreateApplication(kind); });
  attempt(error, [&] { app ? app->Open(source) : noApp(); });
  const bool done = attempt(error, [&] { app ? app->PrintOut() : noApp(); });
  if (done) printed = app->PrintedVersion();
  attempt(error, [&] {
    if (app) app->Quit();
  });
  app.reset();
  return done ? QString() : error;
}

modConvPDF::Placed modConvPDF::placePdf(const QString& name, const QString& baseName) {
  const QString& sep = platform::kPathSep;
  const QString from = platform_.collectingFile;
  const auto moveTo = [&](const QString& destination) {
    Placed placed;
    placed.destination = destination;
    placed.moved = platform_.files.Move(from, destination);
    if (!placed.moved) {
      if (!platform_.files.Exists(from))
        placed.reason = QStringLiteral("PDF が出力されませんでした。");
      else if (platform_.files.Exists(destination))
        placed.reason =
            QStringLiteral("変換先に同じ名前のファイル「%1」があります。").arg(destination);
      else
        placed.reason = QStringLiteral("PDF を「%1」へ移動できません。").arg(destination);
    }
    writeLine(QStringLiteral("          --------> 変換後：") + destination);
    return placed;
  };

  if (settings_.DestDup) return moveTo(settings_.DestDir + sep + baseName + kPdf);

  // The first free name of report.pdf, repor1.pdf ... repor9.pdf, repor10.pdf,
  // repor111.pdf ...: the counter takes the place of the last character.
  QString work = name;
  for (int counter = 1;; ++counter) {
    const QString candidate = work.left(work.size() - 4) + kPdf;
    const QString destination = settings_.DestDir + sep + candidate;
    if (!platform_.files.Exists(destination)) return moveTo(destination);
    // Names grow from repor10 on; past the file system's name length no file
    // can take the name, so the search ends there at the latest.
    if (counter > kSearchLimit || QFile::encodeName(candidate).size() > kNameMax)
      return Placed{false, QStringLiteral("変換先に空いているファイル名が見つかりません。"), {}};
    work = work.left(work.size() - 5) + QString::number(counter) + kPdf;
  }
}

void modConvPDF::writeLine(const QString& text) {
  if (log_) log_->WriteLine(LogText(text));
}

QString LogText(const QString& text) {
  // A control character in a name (a newline) would break the line.
  QString out;
  for (const QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7f)
      out += QStringLiteral("\\x") +
             QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
    else
      out += c;
  }
  return out;
}

QString FailureReport(const QList<ConversionFailure>& failures) {
  QString notices;
  QStringList files, kept;
  for (const ConversionFailure& f : failures) {
    if (f.notice)
      notices += f.reason + u'\n';
    else
      (f.kept ? kept : files) << QStringLiteral("%1：%2").arg(LogText(f.name), f.reason);
  }
  QStringList parts;
  if (!notices.isEmpty()) parts << notices.trimmed();
  if (!files.isEmpty())
    parts << platform::ListedMessage(
        QStringLiteral("次のファイルは PDF に変換できませんでした。\n"), files);
  if (!kept.isEmpty())
    parts << platform::ListedMessage(
        QStringLiteral("次のファイルは PDF に変換しましたが、元のファイルは残しています。\n"),
        kept);
  return parts.join(QStringLiteral("\n\n"));
}

}  // namespace folvane
