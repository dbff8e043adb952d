#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "platform/Platform.h"
#include "settings/modIniFile.h"
#include "widgets/frmImage.h"

namespace folvane {

// A Word or Excel file of a run that left no PDF in the destination; with
// `kept` set, one whose PDF is there but whose source was not deleted; with
// `notice` set, something about the run as a whole (a lost log).
struct ConversionFailure {
  QString name;
  QString reason;
  bool notice = false;
  bool kept = false;
};

// What became of one file of a run, told as soon as it is known.
struct ConvertedFile {
  enum class Result { Converted, Failed, Kept };
  QString source;
  Result result = Result::Failed;
  QString output;  // the PDF in the destination; empty when there is none
  QString reason;  // why it failed, or why its source was kept
  bool deleted = false;
};

// The batch conversion: every Word and Excel file of Settings.SourceDir is
// printed through its application to the PDF printer, the PDF moved from the
// collecting file into Settings.DestDir, three lines logged per file, and
// the source deleted when asked. A failing step is skipped and the run goes on.
class modConvPDF {
 public:
  modConvPDF(platform::Platform& platform, const SettingsRecord& settings, frmImage& imagePage)
      : platform_(platform), settings_(settings), imagePage_(imagePage) {}

  // Returns the Word and Excel files whose PDF did not reach the destination,
  // those whose names could not be read, the sources kept although asked to
  // be deleted, and a notice when sources were deleted while the log could
  // not be written.
  QList<ConversionFailure> ConvertDirectory();

  // The run keeps no log: no lines are written, and none are missed.
  void WithoutLog() { withoutLog_ = true; }

  // Whether the last run did nothing because another run had the folder.
  bool FolderBusy() const { return busy_; }

  // Called for every file the run converts or fails to, in run order.
  void OnFile(std::function<void(const ConvertedFile&)> observer) { onFile_ = std::move(observer); }

  // The highest counter the name search tries before it gives up.
  static constexpr int kSearchLimit = 32767;
  // The longest file name (bytes) the file system takes.
  static constexpr int kNameMax = 255;

 private:
  struct Placed {
    bool moved = false;
    QString reason;
    QString destination;
  };
  void convertFile(const QString& name, bool modern, platform::ProgressRun& progress,
                   QList<ConversionFailure>& failures, bool& deleted);
  QString printWithApplication(platform::OfficeKind kind, const QString& source,
                               platform::FileVersion& printed);
  std::optional<ConversionFailure> deleteSource(const QString& name, const QString& source,
                                                const platform::FileVersion& printed);
  Placed placePdf(const QString& name, const QString& baseName);
  void writeLine(const QString& text);

  platform::Platform& platform_;
  const SettingsRecord settings_;  // as the run started
  frmImage& imagePage_;
  std::unique_ptr<platform::AppendFile> log_;
  std::function<void(const ConvertedFile&)> onFile_;
  bool busy_ = false;
  bool withoutLog_ = false;
};

// A log line as written: control characters (a newline in a file name) as
// \xNN, so every line stays one line.
QString LogText(const QString& text);

// The message that lists the files of a run that gave no PDF, notices first.
QString FailureReport(const QList<ConversionFailure>& failures);

}  // namespace folvane
