#pragma once

#include <memory>

#include "Platform.h"

namespace folvane::platform {

// Owns the Linux backends and hands them out as one Platform. Its
// destruction runs the process's end hooks, and so do SIGTERM, SIGINT and
// SIGHUP. Made after the QApplication.
class LinuxPlatform {
 public:
  LinuxPlatform();
  ~LinuxPlatform();
  LinuxPlatform(const LinuxPlatform&) = delete;
  LinuxPlatform& operator=(const LinuxPlatform&) = delete;

  Platform& platform() { return *platform_; }

 private:
  struct Members;
  std::unique_ptr<Members> m_;
  std::unique_ptr<Platform> platform_;
};

}  // namespace folvane::platform
