#include "LinuxPlatform.h"

#include "FileRegistry.h"
#include "LinuxPrinters.h"
#include "LinuxProcess.h"
#include "LinuxProfile.h"
#include "QtUi.h"
#include "SystemFolder.h"

namespace folvane::platform {

struct LinuxPlatform::Members {
  LinuxProcess process;
  LinuxProfile profile{CodePage::System(), [this] {
                         return process.Environ(QStringLiteral("windir")) + kPathSep +
                                QStringLiteral("win.ini");
                       }};
  QtUi ui;
  FileRegistry registry{SystemFolder::WindowsDir() + QStringLiteral("/registry.json")};
  LinuxPrinters printers{profile};
  LinuxSystem system;
};

LinuxPlatform::LinuxPlatform()
    : m_(std::make_unique<Members>()),
      platform_(std::make_unique<Platform>(
          Platform{m_->profile, m_->process, m_->ui, m_->registry, m_->printers, m_->system,
                   SystemFolder::Root() + QStringLiteral("/xyzzyx.pdf"),
                   SystemFolder::Root() + QStringLiteral("/tmp/")})) {}

LinuxPlatform::~LinuxPlatform() {
  m_->process.RunEndHooks();
}

}  // namespace folvane::platform
