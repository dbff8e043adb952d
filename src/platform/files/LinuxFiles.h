#pragma once

#include <sys/stat.h>

#include <QTemporaryDir>
#include <cstdint>
#include <memory>

#include "FileVersion.h"
#include "Files.h"
#include "NativeNames.h"
#include "platform/encoding/CodePage.h"

namespace folvane::platform {

class LinuxFiles final : public Files {
 public:
  // Links that open CP932 names go into a temporary folder under
  // `workFolder` (the system's temporary folder when empty), and the
  // journal of temporary files in users' folders lives there. Folder claims
  // are lock files in `claimsFolder`, shared by every process that names
  // the same one (the system's temporary folder when empty).
  explicit LinuxFiles(CodePage codePage, QString workFolder = {}, QString claimsFolder = {})
      : codePage_(std::move(codePage)),
        workFolder_(std::move(workFolder)),
        claimsFolder_(std::move(claimsFolder)) {}

  QStringList FileSearch(const QString& pattern, QStringList* unreadable = nullptr) override;
  QString OpenablePath(const QString& path) override;
  std::unique_ptr<AppendFile> OpenForAppend(const QString& path) override;
  bool Exists(const QString& path) override;
  bool Move(const QString& from, const QString& to) override;
  bool Delete(const QString& path) override;
  Deletion DeleteVersion(const QString& path, const FileVersion& version) override;
  std::unique_ptr<FolderClaim> ClaimFolder(const QString& folder) override;

  // The bytes a path names on disk: those a listing read for a CP932 name,
  // otherwise the path in the file-name encoding.
  QByteArray NativePath(const QString& path) const { return names_.PathOf(path); }

 private:
  NativeNames names_;
  CodePage codePage_;
  QString workFolder_;
  QString claimsFolder_;
  std::unique_ptr<QTemporaryDir> links_;
  int linkCount_ = 0;
};

class LinuxClock final : public Clock {
 public:
  QString DateText() override;
  QString TimeText() override;
};

// The stamp of the file at `path` (its bytes on disk: NativePath, or
// QFile::encodeName); an empty one when there is none.
FileStamp StampOf(const QByteArray& path);

// Renames `from` to `to` on one file system unless `to` exists: false with
// errno EEXIST when it does, EXDEV across file systems. File systems without
// no-replace renames get a link, or else the name is first taken by an
// empty file created exclusively, which the rename then replaces.
// Paths are bytes on disk, as for StampOf.
bool RenameNoReplace(const QByteArray& from, const QByteArray& to);
// RenameNoReplace where neither no-replace renames nor links are had.
bool RenameOverPlaceholder(const QByteArray& from, const QByteArray& to);

// Windows' order of names in a folder: ordinal order of the upper-cased
// UTF-16 code units (as NTFS compares), so "docb" < "doc_x".
bool WindowsNameLess(const QString& a, const QString& b);

// A name's bytes for a message: ASCII control characters and bytes outside
// ASCII that are no text as \xNN.
QString EscapedName(QByteArrayView bytes);

// Whether `name` matches a Windows mask such as "*.*" or "*.pdf", letter case ignored.
bool MatchesMask(const QString& name, const QString& mask);

}  // namespace folvane::platform
