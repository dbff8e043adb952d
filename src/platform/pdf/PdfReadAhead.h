#pragma once

#include <QStringList>
#include <memory>

#include "PdfDocument.h"
#include "PdfWorker.h"

namespace folvane::platform {

// Opens the documents of a list on the worker's thread, a few ahead of the
// caller, so that reading one file overlaps the work on the ones before.
// Each document is handed out once, in list order, and is then the
// caller's alone; a document read ahead has what a merge reads of it
// parsed (see PdfDocument::readAhead). One that the worker has not begun
// when it is asked for is opened by the caller; while the worker still
// reads the one asked for, the caller reads one after it, so neither
// thread waits for the other.
class PdfReadAhead {
 public:
  PdfReadAhead(PdfWorker& worker, PdfFilePool& files, QStringList paths);
  // Stops reading; documents not taken are let go of on the worker's thread.
  ~PdfReadAhead();

  // The next document of the list when it is `path`, opened as the
  // PdfDocument constructor opens it: its Failure is thrown here. Null when
  // `path` is not the next one (the document is then opened as usual).
  std::unique_ptr<PdfDocument> take(const QString& path);

 private:
  struct State;
  // Documents opened and not yet taken: a bound on memory, not on speed.
  static constexpr qsizetype kAhead = 4;

  void readLater(qsizetype index);

  PdfWorker& worker_;
  std::shared_ptr<State> state_;  // shared with the tasks on the worker
};

}  // namespace folvane::platform
