#pragma once

#include <QString>

namespace folvane::platform {

// Facts about the running process.
class Process {
 public:
  virtual ~Process() = default;

  // Full path of the running executable, read anew at each call, so a
  // renamed executable reports its new name.
  virtual QString ExecutablePath() const = 0;

  // An environment variable; empty when it is not set.
  virtual QString Environ(const QString& name) const = 0;
};

}  // namespace folvane::platform
