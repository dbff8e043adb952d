#pragma once

#include <QString>
#include <functional>

namespace folvane::platform {

// Facts about the running process, and its end.
class Process {
 public:
  virtual ~Process() = default;

  // Full path of the running executable, read anew at each call, so a
  // renamed executable reports its new name.
  virtual QString ExecutablePath() const = 0;

  // The folder the settings file lives in: the executable's folder when this
  // user can write it, otherwise the per-user configuration folder
  // ${XDG_CONFIG_HOME:-~/.config}/folvane (an installed program), made when
  // missing. Decided anew at each call.
  virtual QString SettingsFolder() const = 0;

  // An environment variable; empty when it is not set.
  virtual QString Environ(const QString& name) const = 0;

  // Registers what must happen even when the program ends at once (ending a
  // helper process). Hooks run last-registered first.
  virtual void AddEndHook(std::function<void()> hook) = 0;

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
