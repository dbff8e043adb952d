#include "SystemFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/files/FolderTemporary.h"

namespace folvane::platform {

QString SystemFolder::Root() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
  return base + QStringLiteral("/folvane");
}

QString SystemFolder::WindowsDir() {
  return Root() + QStringLiteral("/windows");
}

bool SystemFolder::Prepare() {
  const QString root = Root();
  bool ok = QDir().mkpath(root);
  ok = ok && QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  ok = ok && QDir().mkpath(WindowsDir());
  if (qEnvironmentVariableIsEmpty("windir")) qputenv("windir", QFile::encodeName(WindowsDir()));
  return ok;
}

QString SystemFolder::SpoolDir(qint64 pid) {
  return Root() + QStringLiteral("/spool/") + QString::number(pid);
}

void SystemFolder::RemoveLeftovers(const std::function<bool(qint64)>& running) {
  // "<prefix><pid>" names one process's leftover; ".<n>" may follow (the
  // profiles of its further engines).
  const auto ownerGone = [&](const QString& name, const QString& prefix) {
    if (!name.startsWith(prefix)) return false;
    bool ok = false;
    const qint64 pid = name.mid(prefix.size()).section(u'.', 0, 0).toLongLong(&ok);
    return ok && pid > 0 && !running(pid);
  };
  const QDir spool(Root() + QStringLiteral("/spool"));
  for (const QFileInfo& entry :
       spool.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
    if (entry.isDir() && ownerGone(entry.fileName(), QString())) {
      // Its temporary files in users' folders first: the journal says where.
      RemoveJournalled(TemporaryJournalIn(entry.filePath()));
      QDir(entry.filePath()).removeRecursively();
    } else if (entry.isFile())  // files straight in the spool are of no one now
      QFile::remove(entry.filePath());
  }
  const QDir root(Root());
  for (const QFileInfo& entry : root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
    if (ownerGone(entry.fileName(), QStringLiteral("office-profile-")))
      QDir(entry.filePath()).removeRecursively();
  const QDir windows(WindowsDir());
  for (const QFileInfo& entry : windows.entryInfoList(QDir::Files | QDir::Hidden))
    if (ownerGone(entry.fileName(), QStringLiteral("registry.json.new-")))
      QFile::remove(entry.filePath());
}

}  // namespace folvane::platform
