#pragma once

#include <QDir>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <cerrno>
#include <functional>
#include <utility>

#include "platform/files/Files.h"
#include "platform/files/LinuxFiles.h"

namespace folvane::fakes {

// An in-memory file system: paths to contents. Records what it was asked to
// change; opening for appending fails on demand.
class FakeFiles final : public platform::Files {
 public:
  QMap<QString, QByteArray> files;
  QStringList log;  // "Move <from> <to>", "Delete <path>", "Search <pattern>"
  QSet<QString> failAppend;
  std::function<bool(const QString&)> alsoExists;  // names that exist without content

  QSet<QString> inUse;  // files another program writes: never deleted
  QSet<QString> failDelete;

  static QString clean(const QString& path) { return QDir::cleanPath(path); }
  // Each write makes a new version, even of the same bytes (as a save does).
  void put(const QString& path, const QByteArray& bytes = "x") {
    files[clean(path)] = bytes;
    writes_[clean(path)] = ++writeCount_;
  }
  // The version of a file: its content and the write that made it.
  platform::FileVersion VersionOf(const QString& path) const {
    if (!has(path)) return {};
    platform::FileVersion v;
    v.stamp.inode = uint64_t(writes_.value(clean(path)));
    v.stamp.size = at(path).size();
    v.digest = qHash(at(path));
    return v;
  }
  bool has(const QString& path) const { return files.contains(clean(path)); }
  QByteArray at(const QString& path) const { return files.value(clean(path)); }

  QStringList unreadable;  // what every search reports as unreadable names

  QStringList FileSearch(const QString& pattern, QStringList* unreadableNames = nullptr) override {
    if (unreadableNames) *unreadableNames = unreadable;
    log << QStringLiteral("Search ") + pattern;
    const qsizetype slash = pattern.lastIndexOf(u'/');
    const QString folder =
        clean(pattern.left(slash + 1).isEmpty() ? QStringLiteral("/") : pattern.left(slash + 1));
    const QString mask = pattern.mid(slash + 1);
    QStringList names;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
      const qsizetype cut = it.key().lastIndexOf(u'/');
      const QString dir = cut == 0 ? QStringLiteral("/") : it.key().left(cut);
      const QString name = it.key().mid(cut + 1);
      if (dir == folder && !name.startsWith(u'.') && platform::MatchesMask(name, mask))
        names << name;
    }
    std::sort(names.begin(), names.end(), platform::WindowsNameLess);
    return names;
  }

  std::unique_ptr<platform::AppendFile> OpenForAppend(const QString& path) override {
    if (path.isEmpty() || failAppend.contains(path)) return nullptr;
    files[clean(path)];  // created when missing
    return std::make_unique<Appender>(*this, clean(path));
  }

  bool Exists(const QString& path) override {
    return !path.isEmpty() && (has(path) || (alsoExists && alsoExists(clean(path))));
  }

  bool Move(const QString& from, const QString& to) override {
    log << QStringLiteral("Move %1 %2").arg(from, to);
    if (!has(from) || Exists(to)) return false;
    files[clean(to)] = files.take(clean(from));
    writes_[clean(to)] = writes_.take(clean(from));
    return true;
  }

  bool Delete(const QString& path) override {
    log << QStringLiteral("Delete ") + path;
    return files.remove(clean(path)) > 0;
  }

  platform::Deletion DeleteVersion(const QString& path,
                                   const platform::FileVersion& version) override {
    log << QStringLiteral("Delete ") + path;
    if (!has(path)) return platform::Deletion::Gone;
    if (!version.known() || !(VersionOf(path) == version)) return platform::Deletion::Changed;
    if (inUse.contains(clean(path))) return platform::Deletion::InUse;
    if (failDelete.contains(clean(path))) {
      errno = EACCES;
      return platform::Deletion::Failed;
    }
    files.remove(clean(path));
    return platform::Deletion::Deleted;
  }

  // Folders claimed by runs, as the real claims are: one run at a time.
  QSet<QString> claimed;
  std::unique_ptr<platform::FolderClaim> ClaimFolder(const QString& folder) override {
    if (claimed.contains(clean(folder))) return nullptr;
    claimed.insert(clean(folder));
    return std::make_unique<Claim>(*this, clean(folder));
  }

 private:
  class Claim final : public platform::FolderClaim {
   public:
    Claim(FakeFiles& fs, QString folder) : fs_(fs), folder_(std::move(folder)) {}
    ~Claim() override { fs_.claimed.remove(folder_); }

   private:
    FakeFiles& fs_;
    QString folder_;
  };

  QMap<QString, int> writes_;
  int writeCount_ = 0;

  class Appender final : public platform::AppendFile {
   public:
    Appender(FakeFiles& fs, QString path) : fs_(fs), path_(std::move(path)) {}
    bool WriteLine(const QString& text) override {
      fs_.files[path_] += text.toUtf8() + "\r\n";
      return true;
    }

   private:
    FakeFiles& fs_;
    QString path_;
  };
};

class FakeClock final : public platform::Clock {
 public:
  QString date = QStringLiteral("2003/05/12");
  QString time = QStringLiteral("13:45:07");
  QStringList reads;  // "date", "time" in the order they were read
  QString DateText() override {
    reads << QStringLiteral("date");
    return date;
  }
  QString TimeText() override {
    reads << QStringLiteral("time");
    return time;
  }
  qint64 monotonic = 0;  // the test moves it on, or each reading does
  qint64 perRead = 0;
  qint64 MonotonicMs() override { return std::exchange(monotonic, monotonic + perRead); }
};

}  // namespace folvane::fakes
