#pragma once

#include <QTextStream>
#include <optional>

#include "BatchCommand.h"
#include "platform/Platform.h"
#include "widgets/frmImage.h"

namespace folvane::batch {

// Runs one request with the window's own jobs on `platform` (a world of its
// own: its default printer is the PDF printer's to switch). Tells every file
// that failed or was kept, with its reason, on `err`; with --json every file
// as one JSON object a line on `out`. Returns the exit status.
class BatchRun {
 public:
  BatchRun(platform::Platform& platform, frmImage& imagePage, QTextStream& out, QTextStream& err)
      : platform_(platform), imagePage_(imagePage), out_(out), err_(err) {}

  int Run(const Request& request);

 private:
  int convert(const Request& request);
  int merge(const Request& request);
  int print(const Request& request);
  // One JSON object on `out`, when asked for.
  // `deleted` only where sources may go (a conversion).
  void json(const Request& request, const QString& path, const QString& result,
            const QString& output, const QString& reason, std::optional<bool> deleted = {});
  // The names a listing could not read: told, each.
  bool tellUnreadable(const QStringList& names, const QString& source, const QString& what);
  // A line on `err`, clear of the progress line.
  void tell(const QString& line);

  platform::Platform& platform_;
  frmImage& imagePage_;
  QTextStream& out_;
  QTextStream& err_;
};

}  // namespace folvane::batch
