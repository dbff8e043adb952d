#pragma once

#include <QStringList>
#include <memory>

#include "platform/files/FileVersion.h"

namespace folvane::platform {

enum class OfficeKind { Word, Excel };

// One Word or Excel application session: open a file, print it to the
// default printer, quit. Every call that cannot do its work throws
// platform::Failure with the cause.
class OfficeApplication {
 public:
  virtual ~OfficeApplication() = default;
  virtual void Open(const QString& path) = 0;
  virtual void PrintOut() = 0;
  virtual void Quit() = 0;
  // The version of the opened file the last PrintOut printed; unknown
  // before one did.
  virtual FileVersion PrintedVersion() const = 0;
};

// The office engine that stands for Word and Excel.
class Office {
 public:
  virtual ~Office() = default;
  // Throws platform::Failure when no engine can be had.
  virtual std::unique_ptr<OfficeApplication> CreateApplication(OfficeKind kind) = 0;

  // The documents a run is about to open and print, in that order: an
  // engine may render them ahead. A new list, or none, drops what the run
  // did not reach.
  virtual void Expect(const QStringList& paths) = 0;
};

}  // namespace folvane::platform
