#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace folvane::platform {

// Drives, folders and the current directory, as the drive, directory and
// file list controls see them. On Linux a drive is a mounted real file
// system, named by its mount point.
class Drives {
 public:
  virtual ~Drives() = default;

  // The mounted real file systems, the root first.
  virtual QStringList MountedDrives() = 0;

  // The drive a path lies on (the longest mount point that holds it).
  virtual QString DriveOf(const QString& path) = 0;

  // The process's current directory.
  virtual QString CurrentDirectory() = 0;

  // A drive's current directory: the process's current directory when it
  // lies on that drive, otherwise the drive's root.
  QString CurrentDirectoryOf(const QString& drive) {
    const QString current = CurrentDirectory();
    return DriveOf(current) == drive ? current : drive;
  }

  // Names of the folders in `path`, hidden ones left out, sorted with letter
  // case ignored; nullopt when the folder cannot be read.
  virtual std::optional<QStringList> Subdirectories(const QString& path) = 0;

  // Names of the files in `path` that match one of `masks` ("*.tif;*.jpg"),
  // letter case ignored, sorted likewise; nullopt when it cannot be read.
  virtual std::optional<QStringList> MatchingFiles(const QString& path, const QString& masks) = 0;
};

}  // namespace folvane::platform
