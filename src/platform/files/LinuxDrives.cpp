#include "LinuxDrives.h"

#include <dirent.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "LinuxFiles.h"

namespace folvane::platform {
namespace {

// /proc/self/mounts escapes blanks and the like as \040.
QString unescape(const QByteArray& field) {
  QByteArray out;
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      out += char(field.mid(i + 1, 3).toInt(nullptr, 8));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return QFile::decodeName(out);
}

void sortNames(QStringList& names) {
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
}

// Entries of a folder, or nullopt when it cannot be opened at all.
std::optional<QFileInfoList> entries(const QString& path, QDir::Filters filters) {
  DIR* dir = ::opendir(QFile::encodeName(path).constData());
  if (!dir) return std::nullopt;
  ::closedir(dir);
  return QDir(path).entryInfoList(filters | QDir::NoDotAndDotDot, QDir::NoSort);
}

}  // namespace

namespace {

bool isNetwork(const QString& type) {
  static const QStringList network{"nfs",        "nfs4", "cifs",      "smb3", "smbfs",
                                   "fuse.sshfs", "9p",   "glusterfs", "ceph", "afs"};
  return network.contains(type);
}

}  // namespace

bool IsRealFileSystem(const QString& mountPoint, const QString& source, const QString& type) {
  if (mountPoint == u"/") return true;
  if (isNetwork(type)) return true;
  // Read-only images of packages; nobody keeps files there.
  static const QStringList images{"squashfs", "erofs"};
  if (images.contains(type) || source.startsWith(QStringLiteral("/dev/loop"))) return false;
  return source.startsWith(QStringLiteral("/dev/")) &&
         !mountPoint.startsWith(QStringLiteral("/dev")) &&
         !mountPoint.startsWith(QStringLiteral("/proc")) &&
         !mountPoint.startsWith(QStringLiteral("/sys"));
}

QStringList DrivesInMountTable(const QByteArray& table) {
  QStringList drives{QStringLiteral("/")};
  for (const QByteArray& line : table.split('\n')) {
    const QList<QByteArray> f = line.split(' ');
    if (f.size() < 3) continue;
    const QString point = unescape(f[1]);
    const QString type = QString::fromLatin1(f[2]);
    // A single-file bind mount is no folder; a network mount is not asked,
    // since a dead server would hang the window on stat.
    if (!drives.contains(point) && IsRealFileSystem(point, unescape(f[0]), type) &&
        (isNetwork(type) || QFileInfo(point).isDir()))
      drives << point;
  }
  return drives;
}

QStringList LinuxDrives::MountedDrives() {
  QFile mounts(QStringLiteral("/proc/self/mounts"));
  if (!mounts.open(QIODevice::ReadOnly)) return {QStringLiteral("/")};
  return DrivesInMountTable(mounts.readAll());
}

QString LinuxDrives::DriveOf(const QString& path) {
  const QString clean = QDir::cleanPath(QDir(path).absolutePath());
  QString best = QStringLiteral("/");
  for (const QString& drive : MountedDrives()) {
    if (drive.size() > best.size() && (clean == drive || clean.startsWith(drive + u'/')))
      best = drive;
  }
  return best;
}

QString LinuxDrives::CurrentDirectory() {
  return QDir::currentPath();
}

std::optional<QStringList> LinuxDrives::Subdirectories(const QString& path) {
  const auto list = entries(path, QDir::Dirs);
  if (!list) return std::nullopt;
  QStringList names;
  for (const QFileInfo& info : *list)
    if (!info.fileName().startsWith(u'.')) names << info.fileName();
  sortNames(names);
  return names;
}

std::optional<QStringList> LinuxDrives::MatchingFiles(const QString& path, const QString& masks) {
  const auto list = entries(path, QDir::Files);
  if (!list) return std::nullopt;
  const QStringList patterns = masks.split(u';', Qt::SkipEmptyParts);
  QStringList names;
  for (const QFileInfo& info : *list) {
    const QString name = info.fileName();
    if (name.startsWith(u'.')) continue;
    if (std::any_of(patterns.begin(), patterns.end(),
                    [&](const QString& mask) { return MatchesMask(name, mask.trimmed()); }))
      names << name;
  }
  sortNames(names);
  return names;
}

}  // namespace folvane::platform
