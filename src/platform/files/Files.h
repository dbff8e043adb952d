#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <memory>

#include "FileVersion.h"

namespace folvane::platform {

// What became of a file that was to be deleted as one version of it.
enum class Deletion {
  Deleted,
  Gone,     // it was not there any more
  Changed,  // another version, or another file under its name: kept
  InUse,    // another program writes it: kept
  Failed,   // it could not be removed; errno tells why
};

// A text file opened for appending: each line goes to disk in the code page,
// ended by CR LF, before WriteLine returns.
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  virtual bool WriteLine(const QString& text) = 0;
};

// A folder claimed for one run; the claim ends when this goes.
class FolderClaim {
 public:
  virtual ~FolderClaim() = default;
};

// Files and folders, with the Windows program's rules.
class Files {
 public:
  virtual ~Files() = default;

  // The names (no folder) of the regular, non-hidden files matching
  // `pattern`, a folder + "/" + a mask with * and ?, letter case ignored;
  // "*.*" matches every name. Folders, hidden files (leading dot) and
  // anything else that is no regular file are left out. Sorted the way
  // Windows' file system returns them: ordinal order of the upper-cased
  // names. A folder that cannot be read gives nothing. Names are read as
  // bytes: one not valid in the code page but valid CP932 is listed as
  // CP932 and every call here opens it by its own bytes; one valid in
  // neither goes to `unreadable` (bytes outside ASCII written as \xNN),
  // never left out silently.
  virtual QStringList FileSearch(const QString& pattern, QStringList* unreadable = nullptr) = 0;

  // A path that Qt and the PDF engine can open for `path`: the path itself,
  // or for a name whose bytes no Unicode text gives back (a CP932 name), a
  // link to it under that name in a private folder.
  virtual QString OpenablePath(const QString& path) { return path; }

  // Opens (creating when missing) for appending; nullptr when it cannot.
  virtual std::unique_ptr<AppendFile> OpenForAppend(const QString& path) = 0;

  // Whether anything at all exists under this name.
  virtual bool Exists(const QString& path) = 0;

  // Moves a file; fails when `to` exists or `from` does not. Never replaces
  // anything, also across file systems.
  virtual bool Move(const QString& from, const QString& to) = 0;

  virtual bool Delete(const QString& path) = 0;

  // Deletes the file at `path` only while it still is `version` (a PDF was
  // made of that version): same file, stamp and bytes, compared on the open
  // file just before it goes. A file another program writes is waited for
  // a few seconds, processing events, then kept. An unknown version is
  // never deleted.
  virtual Deletion DeleteVersion(const QString& path, const FileVersion& version) = 0;

  // Claims `folder` (by its real path, links resolved) for one run: while
  // the claim lasts no other claim on it succeeds, in this process or any
  // other of the user's. nullptr when another run holds it.
  virtual std::unique_ptr<FolderClaim> ClaimFolder(const QString& folder) = 0;
};

// The current date and time as the user's locale writes them: short date,
// time with seconds (yyyy/MM/dd and HH:mm:ss under a Japanese locale).
class Clock {
 public:
  virtual ~Clock() = default;
  virtual QString DateText() = 0;
  virtual QString TimeText() = 0;
  // Milliseconds on a clock that only goes forward, for how long a job took.
  virtual qint64 MonotonicMs() {
    QElapsedTimer now;
    now.start();
    return now.msecsSinceReference();
  }
};

}  // namespace folvane::platform
