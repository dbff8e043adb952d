#pragma once

#include <QByteArray>
#include <QString>

namespace folvane::platform {

// A temporary file in a user's folder that cannot outlive the program. It
// has no name where the file system allows (O_TMPFILE) until it is put in
// place whole; elsewhere (FAT) it is made with O_EXCL|O_NOFOLLOW under a
// unique hidden name that `journal` records first, so that the next start
// removes it after a kill or a power cut. Removed when destroyed unless put
// in place. Owner-only until put in place, then of the mode any new file of
// the user gets.
class FolderTemporary {
 public:
  // `journal` may be empty: then a named temporary is recorded nowhere.
  // `unnamed` false asks for a named one where unnamed ones would do.
  FolderTemporary(const QString& folder, QString journal, bool unnamed = true);
  ~FolderTemporary();
  FolderTemporary(const FolderTemporary&) = delete;
  FolderTemporary& operator=(const FolderTemporary&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  int handle() const { return fd_; }

  // Puts the file at `target`, in the same folder, unless something is
  // there: false with errno EEXIST then, and it may be tried elsewhere.
  bool PlaceNoReplace(const QString& target);
  // Puts the file at `target`, in the same folder, in one step, replacing
  // what is there.
  bool PlaceReplacing(const QString& target);

 private:
  QByteArray namedCopy();

  QString folder_;
  QString journal_;
  QByteArray name_;  // the named temporary's path; empty while unnamed
  int fd_ = -1;
  bool placed_ = false;
};

// Records `path` in `journal` (appended, synced) before it is made.
bool JournalTemporary(const QString& journal, const QByteArray& path);

// Removes what `journal` records and is still there (temporaries of ours,
// by their name), then the journal itself.
void RemoveJournalled(const QString& journal);

// The journal of the temporaries a process makes, in its spool folder.
QString TemporaryJournalIn(const QString& spoolDir);

}  // namespace folvane::platform
