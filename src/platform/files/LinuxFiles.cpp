#include "LinuxFiles.h"

#include "FolderTemporary.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryFile>
#include <QTimer>
#include <algorithm>

namespace folvane::platform {
namespace {

class LinuxAppendFile final : public AppendFile {
 public:
  LinuxAppendFile(int fd, CodePage codePage) : fd_(fd), codePage_(std::move(codePage)) {}
  ~LinuxAppendFile() override { ::close(fd_); }

  bool WriteLine(const QString& text) override {
    const QByteArray bytes = codePage_.encodeFitting(text, text.size() * 4 + 4) + "\r\n";
    qsizetype done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += n;
    }
    return true;
  }

 private:
  int fd_;
  CodePage codePage_;
};

// Copies `from` into a new file `to` that must not exist yet: written as a
// temporary file of the target's folder, synced, then put in place, so `to`
// is whole or absent, and nothing of the copy outlives a kill.
bool copyNoReplace(const QByteArray& from, const QString& to, const QString& journal) {
  QFile in;
  const int fd = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || !in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  FolderTemporary out(QFileInfo(to).absolutePath(), journal);
  if (!out.isOpen()) return false;
  QFile writer;
  if (!writer.open(out.handle(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) return false;
  bool ok = true;
  while (ok && !in.atEnd()) {
    const QByteArray chunk = in.read(1 << 20);
    ok = !chunk.isEmpty() && writer.write(chunk) == chunk.size();
  }
  ok = ok && writer.flush() && ::fsync(out.handle()) == 0;
  return ok && out.PlaceNoReplace(to);
}

}  // namespace

bool MatchesMask(const QString& name, const QString& mask) {
  if (mask == QStringLiteral("*.*") || mask == QStringLiteral("*")) return true;
  // A listing asks with one mask for every name: it is compiled once.
  thread_local QString lastMask;
  thread_local QRegularExpression lastExpression;
  if (mask == lastMask && lastExpression.isValid()) return lastExpression.match(name).hasMatch();
  QString pattern;
  for (const QChar c : mask) {
    if (c == u'*')
      pattern += QStringLiteral(".*");
    else if (c == u'?')
      pattern += u'.';
    else
      pattern += QRegularExpression::escape(QString(c));
  }
  lastExpression = QRegularExpression(
      QRegularExpression::anchoredPattern(pattern),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  lastMask = mask;
  return lastExpression.match(name).hasMatch();
}

bool WindowsNameLess(const QString& a, const QString& b) {
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t x = a[i].toUpper().unicode();
    const char16_t y = b[i].toUpper().unicode();
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // names equal but for case: a stable order all the same
}

QString EscapedName(QByteArrayView bytes) {
  QString out;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7f)
      out += QStringLiteral("\\x") + QString::number(u, 16).toUpper().rightJustified(2, u'0');
    else
      out += QLatin1Char(c);
  }
  return out;
}

QStringList LinuxFiles::FileSearch(const QString& pattern, QStringList* unreadable) {
  const qsizetype slash = pattern.lastIndexOf(u'/');
  const QString folder = slash < 0 ? QStringLiteral("./") : pattern.left(slash + 1);
  const QString mask = slash < 0 ? pattern : pattern.mid(slash + 1);
  const QByteArray folderBytes = folder.isEmpty() ? QByteArray("/") : NativePath(folder);
  const CodePage cp932(kCp932);
  struct Found {
    QString name;
    QByteArray bytes;
    bool foreign;
  };
  std::vector<Found> found;
  QStringList names;
  QStringList bad;
  names_.ForgetFolder(folder);
  DIR* dir = ::opendir(folderBytes.constData());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const QByteArray bytes(entry->d_name);
    if (bytes.startsWith('.')) continue;  // hidden, and the . and .. entries
    // Symbolic links to files count as files.
    struct stat st {};
    const QByteArray full = folderBytes + (folderBytes.endsWith('/') ? "" : "/") + bytes;
    if (::stat(full.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    std::optional<QString> name = codePage_.decodeStrict(bytes);
    const bool foreign = !name || QFile::encodeName(*name) != bytes;
    if (!name) name = cp932.decodeStrict(bytes);
    if (!name) {
      if (MatchesMask(QString::fromUtf8(bytes), mask)) bad << EscapedName(bytes);
      continue;
    }
    if (MatchesMask(*name, mask)) found.push_back({*name, full, foreign});
  }
  ::closedir(dir);
  // A CP932 name that reads as another name of the folder could not be told
  // apart from it: it is unreadable.
  QSet<QString> plain;
  for (const Found& f : found)
    if (!f.foreign) plain.insert(f.name);
  for (const Found& f : found) {
    if (f.foreign && plain.contains(f.name)) {
      bad << EscapedName(f.bytes.mid(f.bytes.lastIndexOf('/') + 1));
      continue;
    }
    if (f.foreign) names_.Remember(folder + f.name, f.bytes);
    names << f.name;
  }
  std::sort(names.begin(), names.end(), WindowsNameLess);
  std::sort(bad.begin(), bad.end());
  if (unreadable) *unreadable = bad;
  return names;
}

QString LinuxFiles::OpenablePath(const QString& path) {
  const QByteArray bytes = NativePath(path);
  if (bytes == QFile::encodeName(path)) return path;
  if (!links_) {
    if (workFolder_.isEmpty()) {
      links_ = std::make_unique<QTemporaryDir>();
    } else {
      QDir().mkpath(workFolder_);
      links_ = std::make_unique<QTemporaryDir>(workFolder_ + QStringLiteral("/links-XXXXXX"));
    }
  }
  // One folder per link keeps the name as it is, clashes or not.
  const QString folder = links_->filePath(QString::number(++linkCount_));
  const QString link = folder + u'/' + path.mid(path.lastIndexOf(u'/') + 1);
  const QByteArray target =
      bytes.startsWith('/') ? bytes : QFile::encodeName(QDir::currentPath()) + '/' + bytes;
  if (!QDir().mkpath(folder) ||
      ::symlink(target.constData(), QFile::encodeName(link).constData()) != 0)
    return path;
  return link;
}

std::unique_ptr<AppendFile> LinuxFiles::OpenForAppend(const QString& path) {
  if (path.isEmpty()) return nullptr;
  const int fd =
      ::open(NativePath(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  return std::make_unique<LinuxAppendFile>(fd, codePage_);
}

bool LinuxFiles::Exists(const QString& path) {
  struct stat st {};
  return !path.isEmpty() && ::lstat(NativePath(path).constData(), &st) == 0;
}

bool LinuxFiles::Move(const QString& from, const QString& to) {
  struct stat st {};
  if (from.isEmpty() || to.isEmpty() || ::stat(NativePath(from).constData(), &st) != 0 ||
      !S_ISREG(st.st_mode))
    return false;
  if (RenameNoReplace(NativePath(from), NativePath(to))) return true;
  if (errno != EXDEV) return false;
  // Another file system: copy, then remove the source only once the copy
  // stands complete.
  if (!copyNoReplace(NativePath(from), to,
                     workFolder_.isEmpty() ? QString() : TemporaryJournalIn(workFolder_)))
    return false;
  ::unlink(NativePath(from).constData());
  return true;
}

FileStamp StampOf(const QByteArray& path) {
  struct stat st {};
  return ::stat(path.constData(), &st) == 0 ? FileStamp::Of(st) : FileStamp{};
}

bool RenameNoReplace(const QByteArray& a, const QByteArray& b) {
  if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // Without the flag: link() refuses an existing name too.
  if (::link(a.constData(), b.constData()) == 0) {
    ::unlink(a.constData());
    return true;
  }
  if (errno == EEXIST || errno == EXDEV) return false;
  return RenameOverPlaceholder(a, b);
}

bool RenameOverPlaceholder(const QByteArray& a, const QByteArray& b) {
  // The name is taken first by an empty file of ours, created exclusively,
  // so a file arriving meanwhile finds it taken; the rename replaces only
  // that placeholder, still empty and still there.
  const int fd = ::open(b.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  struct stat held {};
  struct stat named {};
  const bool ours = ::fstat(fd, &held) == 0 && ::lstat(b.constData(), &named) == 0 &&
                    held.st_dev == named.st_dev && held.st_ino == named.st_ino &&
                    named.st_size == 0;
  ::close(fd);
  if (ours && ::rename(a.constData(), b.constData()) == 0) return true;
  const int error = ours ? errno : EEXIST;
  if (ours) ::unlink(b.constData());
  errno = error;
  return false;
}

bool LinuxFiles::Delete(const QString& path) {
  return !path.isEmpty() && ::unlink(NativePath(path).constData()) == 0;
}

namespace {

// Waits, letting window events through: a job yields while it waits.
void pause(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// The same file, not rewritten: what a rename aside leaves of a stamp
// (it changes the change time).
bool sameContentStamp(const struct stat& st, const FileStamp& stamp) {
  const FileStamp now = FileStamp::Of(st);
  return now.device == stamp.device && now.inode == stamp.inode && now.size == stamp.size &&
         now.mtimeSec == stamp.mtimeSec && now.mtimeNsec == stamp.mtimeNsec;
}

}  // namespace

namespace {

// A lock file held with flock: released when the descriptor closes, also
// when the process dies.
class LockedClaim final : public FolderClaim {
 public:
  explicit LockedClaim(int fd) : fd_(fd) {}
  ~LockedClaim() override {
    if (fd_ >= 0) ::close(fd_);
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<FolderClaim> LinuxFiles::ClaimFolder(const QString& folder) {
  const QFileInfo info(folder);
  const QString real =
      info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
  const QString claims =
      claimsFolder_.isEmpty()
          ? QDir::tempPath() + QStringLiteral("/folvane-claims-") + QString::number(::getuid())
          : claimsFolder_;
  QDir().mkpath(claims);
  const QByteArray key =
      QCryptographicHash::hash(NativePath(real), QCryptographicHash::Sha1).toHex();
  const QByteArray lock = QFile::encodeName(claims) + "/" + key + ".lock";
  const int fd = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  // Without a lock file to hold (no room for it) the run goes on: claims
  // guard against a second run, not against the disk.
  if (fd < 0) return std::make_unique<LockedClaim>(-1);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) return nullptr;
    return std::make_unique<LockedClaim>(-1);
  }
  return std::make_unique<LockedClaim>(fd);
}

Deletion LinuxFiles::DeleteVersion(const QString& path, const FileVersion& version) {
  if (path.isEmpty()) return Deletion::Failed;
  if (!version.known()) return Deletion::Changed;
  const QByteArray name = NativePath(path);
  QElapsedTimer waited;
  waited.start();
  for (;;) {
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? Deletion::Gone : Deletion::Failed;
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    struct stat st {};
    if (::fstat(fd, &st) != 0) return Deletion::Failed;
    if (!(FileStamp::Of(st) == version.stamp)) return Deletion::Changed;
    // Kept while another program writes it (a copy still arriving, a save
    // under way); a file of another user, or on a file system without
    // leases, counts as written while its times are recent.
    const Writers writers = TakeReadLease(fd);
    if (writers == Writers::Present ||
        (writers == Writers::Unknown && !Settled(st, kSettleSeconds))) {
      if (waited.elapsed() >= kWriterWaitMs) return Deletion::InUse;
      pause(250);
      continue;
    }
    const std::optional<uint64_t> digest = DigestOf(fd);
    if (!digest) return Deletion::Failed;
    if (*digest != version.digest) return Deletion::Changed;
    // Moved aside under a name of ours first: by the time it is removed, the
    // name cannot lead to a file saved meanwhile.
    const QString aside =
        QFileInfo(path).path() +
        QStringLiteral("/.folvane-delete-%1")
            .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    const QByteArray asideName = QFile::encodeName(aside);
    if (!RenameNoReplace(NativePath(path), asideName))
      return errno == ENOENT ? Deletion::Gone : Deletion::Failed;
    struct stat moved {};
    struct stat now {};
    const bool same = ::stat(asideName.constData(), &moved) == 0 && moved.st_dev == st.st_dev &&
                      moved.st_ino == st.st_ino && ::fstat(fd, &now) == 0 &&
                      sameContentStamp(now, version.stamp) &&
                      (writers == Writers::Unknown || LeaseHeld(fd));
    if (same && ::unlink(asideName.constData()) == 0) return Deletion::Deleted;
    const int error = errno;
    // Changed in between, or not removable: back under its own name.
    RenameNoReplace(asideName, NativePath(path));
    errno = error;
    return same ? Deletion::Failed : Deletion::Changed;
  }
}

namespace {

// Japanese and plain POSIX locales write what a Japanese Windows writes.
bool japaneseForms() {
  const QLocale locale = QLocale::system();
  return locale.language() == QLocale::Japanese || locale.language() == QLocale::C;
}

}  // namespace

QString LinuxClock::DateText() {
  const QDate today = QDate::currentDate();
  if (japaneseForms()) return today.toString(QStringLiteral("yyyy/MM/dd"));
  return QLocale::system().toString(today, QLocale::ShortFormat);
}

QString LinuxClock::TimeText() {
  const QTime now = QTime::currentTime();
  if (japaneseForms()) return now.toString(QStringLiteral("HH:mm:ss"));
  // The locale's short time, with seconds as Windows writes them.
  QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
  if (!format.contains(QStringLiteral("ss")))
    format.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
  return QLocale::system().toString(now, format);
}

}  // namespace folvane::platform
