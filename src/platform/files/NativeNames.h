#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace folvane::platform {

// The bytes of listed names that no Unicode text gives back (CP932 names
// copied from Windows), by the path a listing gave them, so every later
// call reaches the same file. Used on the window thread only.
class NativeNames {
 public:
  // The bytes `path` names on disk: those a listing read, otherwise the path
  // in the file-name encoding.
  QByteArray PathOf(const QString& path) const;
  // Forgets what was read of `folder` (ending in '/'): only the next listing
  // counts, as a file may have been renamed or a UTF-8 twin added.
  void ForgetFolder(const QString& folder);
  void Remember(const QString& path, const QByteArray& bytes) { names_.insert(path, bytes); }

 private:
  QHash<QString, QByteArray> names_;
};

}  // namespace folvane::platform
