#pragma once

#include "Process.h"

namespace folvane::platform {

class LinuxProcess final : public Process {
 public:
  QString ExecutablePath() const override;
  QString Environ(const QString& name) const override;
};

}  // namespace folvane::platform
