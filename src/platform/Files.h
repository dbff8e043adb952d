#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace folvane::platform {

// A text file opened for appending: each line goes to disk in the code page,
// ended by CR LF, before WriteLine returns.
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  virtual bool WriteLine(const QString& text) = 0;
};

// Files and folders, with the Windows program's rules.
class Files {
 public:
  virtual ~Files() = default;

  // The names (no folder) of the regular, non-hidden files matching
  // `pattern`, a folder + "/" + a mask with * and ?, letter case ignored;
  // "*.*" matches every name. Folders, hidden files (leading dot) and
  // anything else that is no regular file are left out. Sorted the way
  // Windows' file system returns them: letter case ignored. A folder that
  // cannot be read gives nothing.
  virtual QStringList FileSearch(const QString& pattern) = 0;

  // Opens (creating when missing) for appending; nullptr when it cannot.
  virtual std::unique_ptr<AppendFile> OpenForAppend(const QString& path) = 0;

  // Whether anything at all exists under this name.
  virtual bool Exists(const QString& path) = 0;

  // Moves a file; fails when `to` exists or `from` does not. Never replaces
  // anything, also across file systems.
  virtual bool Move(const QString& from, const QString& to) = 0;

  virtual bool Delete(const QString& path) = 0;
};

// The current date and time as the user's locale writes them: short date,
// time with seconds (yyyy/MM/dd and HH:mm:ss under a Japanese locale).
class Clock {
 public:
  virtual ~Clock() = default;
  virtual QString DateText() = 0;
  virtual QString TimeText() = 0;
};

}  // namespace folvane::platform
