#include "LinuxProcess.h"

#include "InstallLayout.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace folvane::platform {

QString LinuxProcess::ExecutablePath() const {
  // /proc follows a rename of the running file; Qt's own answer is cached.
  QString path = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
  const QString deleted = QStringLiteral(" (deleted)");
  if (path.endsWith(deleted)) path.chop(deleted.size());
  return path;
}

QString LinuxProcess::SettingsFolder() const {
  // An installed copy keeps them per user even where its folder can be
  // written (by root), so no settings file lands among the programs.
  const QString executable = ExecutablePath();
  const QString beside = QFileInfo(executable).absolutePath();
  if (!InstallLayout::IsInstalled(executable) &&
      ::access(QFile::encodeName(beside).constData(), W_OK) == 0)
    return beside;
  const QString folder = InstallLayout::PerUserSettingsFolder(
      Environ(QStringLiteral("XDG_CONFIG_HOME")), Environ(QStringLiteral("HOME")));
  // The file may hold a mail password: the folder is the user's alone.
  if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return folder;
}

QString LinuxProcess::Environ(const QString& name) const {
  return qEnvironmentVariable(name.toLocal8Bit().constData());
}

namespace {

int g_signalPipe[2] = {-1, -1};

void onEndSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
  errno = saved;
}

QString exeOf(qint64 pid) {
  QString path = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
  const QString deleted = QStringLiteral(" (deleted)");
  if (path.endsWith(deleted)) path.chop(deleted.size());
  return path;
}

}  // namespace

LinuxProcess::LinuxProcess() = default;
LinuxProcess::~LinuxProcess() = default;

qint64 LinuxProcess::ProcessId() const {
  return ::getpid();
}

bool LinuxProcess::IsRunningInstance(qint64 pid) const {
  if (pid <= 0 || pid == ::getpid()) return pid == ::getpid();
  // Another user's process (EPERM) is never one of ours: what it would share
  // with us lives in our own folder. A recycled id belongs to another
  // program; a zombie or a kernel thread has no executable to read.
  if (::kill(pid_t(pid), 0) != 0) return false;
  const QString exe = exeOf(pid);
  if (exe.isEmpty()) return false;
  // The window and the command spool side by side: each keeps its folders
  // while the other runs.
  const QString name = QFileInfo(exe).fileName();
  return name == QFileInfo(ExecutablePath()).fileName() || name == u"Folvane" ||
         name == u"folvane-batch";
}

void LinuxProcess::EndOnSignals() {
  // The handler only writes a byte; the event loop does the ending.
  if (signals_) return;
  if (g_signalPipe[0] < 0 &&
      ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
    return;
  signals_ = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
  QObject::connect(signals_.get(), &QSocketNotifier::activated, signals_.get(), [this] { End(); });
  struct sigaction action {};
  action.sa_handler = onEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

void LinuxProcess::AddEndHook(EndStage stage, std::function<void()> hook) {
  hooks_.Add(stage, std::move(hook));
}

void LinuxProcess::RunEndHooks() {
  hooks_.RunAll();
}

void LinuxProcess::End() {
  RunEndHooks();
  std::fflush(nullptr);
  // Every file Folvane writes is complete when its call returns (profile and
  // registry writes are atomic), so nothing is lost by skipping destructors.
  std::_Exit(0);
}

}  // namespace folvane::platform
