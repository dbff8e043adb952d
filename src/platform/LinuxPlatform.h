#pragma once

#include <memory>

#include "Platform.h"

namespace folvane::platform {

// Owns the Linux backends and hands them out as one Platform. Its
// destruction runs the process's end hooks, and so do SIGTERM, SIGINT and
// SIGHUP. Made after the QApplication.
class LinuxPlatform {
 public:
  struct Options {
    // Where the Windows folder (win.ini, the registry file), the PDF
    // printer's collecting file and the printer switch's record live; empty:
    // the user's system folder. Another folder is a world of its own: its
    // default printer and PDF printer settings are nobody else's.
    QString root;
    // Messages and progress; none: the desktop's message boxes and launcher.
    std::unique_ptr<Ui> ui;
    std::unique_ptr<Progress> progress;
  };

  LinuxPlatform();
  explicit LinuxPlatform(Options options);
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
