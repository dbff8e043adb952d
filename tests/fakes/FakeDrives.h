#pragma once

#include <QMap>
#include <QSet>

#include "platform/files/Drives.h"
#include "platform/files/LinuxFiles.h"

namespace folvane::fakes {

// Drives and folders the test lays out: `folders` maps a folder to its
// subfolders, `files` a folder to its files; `unreadable` folders fail.
class FakeDrives final : public platform::Drives {
 public:
  QStringList drives{QStringLiteral("/"), QStringLiteral("/media/usb")};
  QString current = QStringLiteral("/home/user");
  QMap<QString, QStringList> folders{
      {"/", {"home", "media"}},
      {"/home", {"user"}},
      {"/home/user", {"Documents", "Pictures"}},
      {"/home/user/Documents", {}},
      {"/home/user/Pictures", {"2026"}},
      {"/home/user/Pictures/2026", {}},
      {"/media", {"usb"}},
      {"/media/usb", {"scans"}},
      {"/media/usb/scans", {}},
  };
  QMap<QString, QStringList> files;
  QSet<QString> unreadable;

  QStringList MountedDrives() override { return drives; }
  QString DriveOf(const QString& path) override {
    QString best = QStringLiteral("/");
    for (const QString& d : drives)
      if (d.size() > best.size() && (path == d || path.startsWith(d + u'/'))) best = d;
    return best;
  }
  QString CurrentDirectory() override { return current; }
  std::optional<QStringList> Subdirectories(const QString& path) override {
    if (unreadable.contains(path) || !folders.contains(path)) return std::nullopt;
    return folders.value(path);
  }
  std::optional<QStringList> MatchingFiles(const QString& path, const QString& masks) override {
    if (unreadable.contains(path) || !folders.contains(path)) return std::nullopt;
    QStringList out;
    for (const QString& name : files.value(path))
      for (const QString& mask : masks.split(u';'))
        if (platform::MatchesMask(name, mask)) {
          out << name;
          break;
        }
    return out;
  }
};

}  // namespace folvane::fakes
