#include "FolderTemporary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "LinuxFiles.h"

namespace folvane::platform {
namespace {

// Every named temporary of ours begins so: the journal removes nothing else.
constexpr QByteArrayView kPrefix = ".folvane-tmp-";

QByteArray uniqueName(const QString& folder) {
  return QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder) + '/' +
         kPrefix.toByteArray() + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
}

QByteArray procPath(int fd) {
  return "/proc/self/fd/" + QByteArray::number(fd);
}

// A temporary file is the owner's alone; put in place, it gets the mode
// any new file of the user gets.
void giveUsersMode(int fd) {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
}

}  // namespace

QString TemporaryJournalIn(const QString& spoolDir) {
  return spoolDir + QStringLiteral("/temporaries");
}

bool JournalTemporary(const QString& journal, const QByteArray& path) {
  QDir().mkpath(QFileInfo(journal).absolutePath());
  const int fd = ::open(QFile::encodeName(journal).constData(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const QByteArray line = path.toHex() + '\n';
  const bool ok =
      ::write(fd, line.constData(), size_t(line.size())) == line.size() && ::fdatasync(fd) == 0;
  ::close(fd);
  return ok;
}

void RemoveJournalled(const QString& journal) {
  QFile file(journal);
  if (!file.open(QIODevice::ReadOnly)) return;
  for (const QByteArray& line : file.readAll().split('\n')) {
    const QByteArray path = QByteArray::fromHex(line.trimmed());
    struct stat st {};
    if (path.isEmpty() || !path.mid(path.lastIndexOf('/') + 1).startsWith(kPrefix) ||
        ::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
      continue;
    ::unlink(path.constData());
  }
  file.remove();
}

FolderTemporary::FolderTemporary(const QString& folder, QString journal, bool unnamed)
    : folder_(folder), journal_(std::move(journal)) {
  const QByteArray dir = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
  if (unnamed) fd_ = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ >= 0) return;
  // No unnamed files here: a name no one else can have taken or planted.
  for (int tries = 0; tries < 16 && fd_ < 0; ++tries) {
    const QByteArray name = uniqueName(folder);
    if (!journal_.isEmpty() && !JournalTemporary(journal_, name)) return;
    fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ >= 0)
      name_ = name;
    else if (errno != EEXIST)
      return;
  }
}

FolderTemporary::~FolderTemporary() {
  if (fd_ >= 0) ::close(fd_);
  if (!placed_ && !name_.isEmpty()) ::unlink(name_.constData());
}

QByteArray FolderTemporary::namedCopy() {
  // An unnamed file is given a name of its own, journalled like any other,
  // for what only a rename can do.
  for (int tries = 0; tries < 16 && name_.isEmpty(); ++tries) {
    const QByteArray name = uniqueName(folder_);
    if (!journal_.isEmpty() && !JournalTemporary(journal_, name)) break;
    if (::linkat(AT_FDCWD, procPath(fd_).constData(), AT_FDCWD, name.constData(),
                 AT_SYMLINK_FOLLOW) == 0)
      name_ = name;
    else if (errno != EEXIST)
      break;
  }
  return name_;
}

bool FolderTemporary::PlaceNoReplace(const QString& target) {
  if (fd_ < 0 || placed_) return false;
  giveUsersMode(fd_);
  if (name_.isEmpty()) {
    // A link refuses an existing name, as the rename below does.
    if (::linkat(AT_FDCWD, procPath(fd_).constData(), AT_FDCWD,
                 QFile::encodeName(target).constData(), AT_SYMLINK_FOLLOW) == 0)
      return placed_ = true;
    if (errno == EEXIST || namedCopy().isEmpty()) return false;
  }
  if (!RenameNoReplace(name_, QFile::encodeName(target))) return false;
  return placed_ = true;
}

bool FolderTemporary::PlaceReplacing(const QString& target) {
  if (fd_ < 0 || placed_) return false;
  giveUsersMode(fd_);
  if (name_.isEmpty() && namedCopy().isEmpty()) return false;
  if (::rename(name_.constData(), QFile::encodeName(target).constData()) != 0) return false;
  return placed_ = true;
}

}  // namespace folvane::platform
