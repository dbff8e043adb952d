#include "LinuxPlatform.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>

#include "office/EnginePool.h"
#include "office/LokOffice.h"
#include "pdf/QpdfAcrobat.h"
#include "platform/desktop/LauncherProgress.h"
#include "platform/desktop/QtUi.h"
#include "platform/files/FolderTemporary.h"
#include "platform/files/LinuxDrives.h"
#include "platform/files/LinuxFiles.h"
#include "platform/printing/LinuxPrinters.h"
#include "platform/printing/LinuxSpooler.h"
#include "platform/process/InstallLayout.h"
#include "platform/process/LinuxProcess.h"
#include "platform/profile/FileRegistry.h"
#include "platform/profile/LinuxProfile.h"
#include "platform/profile/SystemFolder.h"

namespace folvane::platform {
namespace {

// LibreOffice hands work to another instance on the same profile and exits
// without output, so a second Folvane gets a profile of its own.
QString officeProfile(QLockFile& lock, bool& temporary) {
  const QString shared = SystemFolder::Root() + QStringLiteral("/office-profile");
  temporary = !lock.tryLock(0);
  return temporary ? shared + u'-' + QString::number(::getpid()) : shared;
}

}  // namespace

struct LinuxPlatform::Members {
  explicit Members(LinuxPlatform::Options& options)
      : root(options.root.isEmpty() ? SystemFolder::Root() : options.root),
        windowsDir(options.root.isEmpty() ? SystemFolder::WindowsDir()
                                          : options.root + QStringLiteral("/windows")),
        ownWorld(!options.root.isEmpty()),
        ui(options.ui ? std::move(options.ui) : std::make_unique<QtUi>()),
        progress(options.progress ? std::move(options.progress)
                                  : std::make_unique<LauncherProgress>(
                                        QStringLiteral("jp.folvane.Folvane.desktop"))) {}

  QString root;
  // The fixed folder the batch conversion names its PDFs in.
  QString outputFolder = root + QStringLiteral("/tmp/");
  QString windowsDir;
  bool ownWorld;
  LinuxProcess process;
  LinuxProfile profile{
      CodePage::System(), [this] {
        // The user's world follows "windir", as Windows programs do.
        return (ownWorld ? windowsDir : process.Environ(QStringLiteral("windir"))) + kPathSep +
               QStringLiteral("win.ini");
      }};
  std::unique_ptr<Ui> ui;
  std::unique_ptr<Progress> progress;
  FileRegistry registry{windowsDir + QStringLiteral("/registry.json"),
                        [this](const QString& text) { ui->Notice(text); }};
  LinuxPrinters printers{profile};
  LinuxSystem system;
  // Claims are the same for every process of the user, whatever its world.
  LinuxFiles files{profile.codePage(), SystemFolder::SpoolDir(process.ProcessId()),
                   SystemFolder::Root() + QStringLiteral("/claims")};
  LinuxClock clock;
  // The batch conversion names its PDFs in the fixed output folder; they
  // are collected all the same, even where somebody made that folder.
  LinuxSpooler spooler{profile, registry, printers,
                       TemporaryJournalIn(SystemFolder::SpoolDir(process.ProcessId())),
                       outputFolder};
  QLockFile profileLock{SystemFolder::Root() + QStringLiteral("/office-profile.lock")};
  bool temporaryProfile = false;
  // A batch renders on as many of the cores the memory allows as the
  // processor the machine gives makes faster.
  LinuxCpuGauge cpu;
  EnginePool engines{engineOptions(), EngineCount(QThread::idealThreadCount(), AvailableMemory()),
                     &cpu};

  OfficeEngine::Options engineOptions() {
    OfficeEngine::Options options;
    options.helperPath = InstallLayout::OfficeHelperPath(process.ExecutablePath());
    options.profileDir = officeProfile(profileLock, temporaryProfile);
    // Engines are given a CP932 name by the bytes the listing read.
    options.nativePath = [this](const QString& path) { return files.NativePath(path); };
    // What LibreOffice leaves in its temporary folder goes with the spool.
    options.tempDir = SystemFolder::SpoolDir(process.ProcessId()) + QStringLiteral("/office-tmp");
    return options;
  }
  // Each process spools in a folder of its own, so what a killed one left
  // can be told from what a running one uses.
  LokOffice office{engines, spooler, SystemFolder::SpoolDir(process.ProcessId())};
  QpdfAcrobat acrobat{spooler, SystemFolder::SpoolDir(process.ProcessId())};
  LinuxDrives drives;
};

LinuxPlatform::LinuxPlatform() : LinuxPlatform(Options{}) {}

LinuxPlatform::LinuxPlatform(Options options)
    : m_(std::make_unique<Members>(options)),
      platform_(std::make_unique<Platform>(
          Platform{m_->profile, m_->process, *m_->ui, m_->registry, m_->printers, m_->system,
                   m_->files, m_->clock, m_->office, m_->spooler, m_->acrobat, m_->drives,
                   m_->root + QStringLiteral("/xyzzyx.pdf"), m_->outputFolder,
                   m_->root + QStringLiteral("/printer-switch.ini"), *m_->progress})) {
  if (m_->ownWorld) QDir().mkpath(m_->windowsDir);
  // Ending by signal runs the same hooks as the quit button.
  m_->process.EndOnSignals();
  SystemFolder::RemoveLeftovers(
      [m = m_.get()](qint64 pid) { return m->process.IsRunningInstance(pid); });
  // No LibreOffice outlives Folvane, however it ends.
  m_->process.AddEndHook(EndStage::StopHelpers, [m = m_.get()] {
    m->engines.Stop();
    if (m->temporaryProfile)
      for (const QString& dir : m->engines.profileDirs()) QDir(dir).removeRecursively();
    QDir(SystemFolder::SpoolDir(m->process.ProcessId())).removeRecursively();
  });
}

LinuxPlatform::~LinuxPlatform() {
  m_->process.RunEndHooks();
}

}  // namespace folvane::platform
