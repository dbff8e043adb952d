#include "LinuxPlatform.h"

#include "LinuxProcess.h"
#include "LinuxProfile.h"
#include "QtUi.h"

namespace folvane::platform {

struct LinuxPlatform::Members {
  LinuxProcess process;
  LinuxProfile profile{CodePage::System(), [this] {
                         return process.Environ(QStringLiteral("windir")) + kPathSep +
                                QStringLiteral("win.ini");
                       }};
  QtUi ui;
};

LinuxPlatform::LinuxPlatform()
    : m_(std::make_unique<Members>()),
      platform_(std::make_unique<Platform>(Platform{m_->profile, m_->process, m_->ui})) {}

LinuxPlatform::~LinuxPlatform() = default;

}  // namespace folvane::platform
