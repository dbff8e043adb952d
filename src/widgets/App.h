#pragma once

#include <QLineEdit>
#include <QPointer>
#include <array>
#include <cstdint>

#include "frmImage.h"
#include "platform/Platform.h"
#include "settings/modIniFile.h"

namespace folvane {

// What the windows of the program share: the platform, the settings store
// and the target of the directory chooser.
struct App {
  platform::Platform& platform;
  modIniFile& ini;
  // Which text box the directory chooser fills: 1 and 2 the settings
  // dialog's, 3 the merge directory, 4 the print directory, 5 the
  // single-file conversion's destination. Kept after the chooser closes.
  int16_t DirSelectTarget = 0;
  // The text box each target names, registered by the window that owns it
  // while that window is open.
  std::array<QPointer<QLineEdit>, 6> dirTargets{};
  // The image page, one instance for the whole process.
  frmImage imagePage{};
  // True while a job runs; see JobGuard.
  bool jobRunning = false;
};

// Lets the directory chooser fill `box` as `target` while `owner` lives.
inline void OfferDirTarget(App& app, int16_t target, QLineEdit* box, QObject* owner) {
  app.dirTargets[size_t(target)] = box;
  QObject::connect(owner, &QObject::destroyed,
                   [&app, target] { app.dirTargets[size_t(target)] = nullptr; });
}

// One job at a time. A job lets window events through (per file, and while
// the office engine works), and a second job started from inside it would
// print into the first one's PDF printer or collecting file. A click that
// finds a job running only beeps.
class JobGuard {
 public:
  explicit JobGuard(App& app) : app_(app), owns_(!app.jobRunning) {
    if (owns_) {
      app_.jobRunning = true;
      // Nothing of the platform's own stops a job midway to wait for OK.
      app_.platform.ui.HoldNotices();
    } else {
      app_.platform.ui.Beep();
    }
  }
  ~JobGuard() {
    if (!owns_) return;
    app_.jobRunning = false;
    app_.platform.ui.ReleaseNotices();
  }
  JobGuard(const JobGuard&) = delete;
  JobGuard& operator=(const JobGuard&) = delete;
  // False when another job was running: do nothing.
  explicit operator bool() const { return owns_; }

 private:
  App& app_;
  bool owns_;
};

}  // namespace folvane
