#pragma once

#include "Drives.h"

namespace folvane::platform {

class LinuxDrives final : public Drives {
 public:
  QStringList MountedDrives() override;
  QString DriveOf(const QString& path) override;
  QString CurrentDirectory() override;
  std::optional<QStringList> Subdirectories(const QString& path) override;
  std::optional<QStringList> MatchingFiles(const QString& path, const QString& masks) override;
};

// Which mount entries count as drives: the root, anything on a block device,
// and network file systems. Kernel and memory file systems do not, nor
// images mounted through loop devices (squashfs packages and the like).
bool IsRealFileSystem(const QString& mountPoint, const QString& source, const QString& type);

// The drives in a mount table (the text of /proc/self/mounts), the root
// first. A mount point that is no folder (a file bound onto a file) is none.
QStringList DrivesInMountTable(const QByteArray& table);

}  // namespace folvane::platform
