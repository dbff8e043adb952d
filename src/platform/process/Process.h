#pragma once

#include <QString>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace folvane::platform {

// The order end hooks run in, whatever the order they were added in: what
// the program changed in the user's settings is put back first, while what
// it may need for that still runs; helper processes and their files go last.
enum class EndStage { RestoreSettings, StopHelpers };

// End hooks by stage, each stage's last-added first; each runs once.
class EndHooks {
 public:
  void Add(EndStage stage, std::function<void()> hook) {
    hooks_.emplace_back(stage, std::move(hook));
  }
  void RunAll() {
    for (const EndStage stage : {EndStage::RestoreSettings, EndStage::StopHelpers}) {
      for (;;) {
        const auto it = std::find_if(hooks_.rbegin(), hooks_.rend(),
                                     [stage](const auto& h) { return h.first == stage; });
        if (it == hooks_.rend()) break;
        auto hook = std::move(it->second);
        hooks_.erase(std::next(it).base());
        hook();
      }
    }
  }

 private:
  std::vector<std::pair<EndStage, std::function<void()>>> hooks_;
};

// Facts about the running process, and its end.
class Process {
 public:
  virtual ~Process() = default;

  // Full path of the running executable, read anew at each call, so a
  // renamed executable reports its new name.
  virtual QString ExecutablePath() const = 0;

  // The folder the settings file lives in: the executable's folder when this
  // user can write it and the program is not installed, otherwise the
  // per-user configuration folder ${XDG_CONFIG_HOME:-~/.config}/folvane,
  // made when missing. Decided anew at each call.
  virtual QString SettingsFolder() const = 0;

  // An environment variable; empty when it is not set.
  virtual QString Environ(const QString& name) const = 0;

  // Registers what must happen even when the program ends at once (putting
  // the default printer back, ending a helper process), in its stage.
  virtual void AddEndHook(EndStage stage, std::function<void()> hook) = 0;

  // Ends the program at once: runs the end hooks, then exits without closing
  // any window or running any other handler.
  virtual void End() = 0;

  // This process's id.
  virtual qint64 ProcessId() const = 0;

  // True when `pid` is a running process of this program or of its other
  // front end (the window and the command share the system folder), false
  // for a dead process or an unrelated one that took its id.
  virtual bool IsRunningInstance(qint64 pid) const = 0;
};

}  // namespace folvane::platform
