#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "platform/Platform.h"

namespace folvane {

// The document driver: merges all PDF files of a folder into one, or prints
// them all, through the Acrobat automation objects. Errors of the objects
// are passed on to the caller unchanged.
class clsPDFMarge {
 public:
  explicit clsPDFMarge(platform::Platform& platform) : platform_(platform) {}

  // Properties. The folders get the separator appended, always.
  void SourceDir(const QString& value) { vSourceDir = value + platform::kPathSep; }
  void DestDir(const QString& value) { vDestDir = value + platform::kPathSep; }
  void SourceFile(const QString& value) { vSourceFile = value; }
  void DestFile(const QString& value) { vDestFile = value; }
  void NumberOfPage(int16_t value) { vNumberOfPage = value; }
  void LastPage(int16_t value) { vLastPage = value; }
  int16_t LastPage() const { return vLastPage; }

  // Merges the folder's PDFs, in listing order, into DestFile: 0 when the
  // merged file was saved, 1 when the folder holds no PDF file. When some
  // files cannot be opened or inserted, every file is still opened, then one
  // Failure lists them all and nothing is saved.
  int16_t PdfInsert();

  // Prints every PDF of the folder, one job each, in listing order.
  void PDFPrint();

  // Called for each PDF of the folder once its part is known: opened (and
  // put in) for a merge, printed for a print; `failure` says why not.
  void OnFile(std::function<void(const QString& path, const QString& failure)> observer) {
    onFile_ = std::move(observer);
  }

  // The PDF files of the last listing whose names could not be read (valid
  // in neither the code page nor CP932): left out, and to be told.
  const QStringList& UnreadableNames() const { return unreadable_; }

  // The PDF files of the last merge that have no page: merged as nothing,
  // and to be told.
  const QStringList& PagelessNames() const { return pageless_; }

 private:
  QStringList listPdfs();
  // The file's path as the PDF engine can open it, CP932 names included.
  QString pathOf(const QString& name);

  platform::Platform& platform_;
  QString vSourceDir;
  QString vDestDir;
  QString vSourceFile;
  QString vDestFile;
  int16_t vNumberOfPage = 0;
  int16_t vLastPage = 0;
  QStringList unreadable_;
  QStringList pageless_;
  std::function<void(const QString&, const QString&)> onFile_;
  void tell(const QString& name, const QString& failure) {
    if (onFile_) onFile_(vSourceDir + name, failure);
  }
};

// The one message of a merge whose inputs did not all open: each failure on
// its own line, the first 20 of them, then how many more.
QString MergeFailureReport(const QStringList& failures);

// A whole number as a 16-bit integer; outside its range an overflow error.
int16_t CInt(int64_t value);

}  // namespace folvane
