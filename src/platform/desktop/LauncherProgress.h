#pragma once

#include <QString>

#include "Progress.h"

namespace folvane::platform {

// Progress on the program's launcher entry: the Update signal of
// com.canonical.Unity.LauncherEntry on the session bus, which GNOME docks and
// KDE Plasma's task manager read. With no session bus it does nothing.
class LauncherProgress final : public Progress {
 public:
  // `desktopId`: the desktop entry's file name, "jp.folvane.Folvane.desktop".
  explicit LauncherProgress(QString desktopId);

  void Show(qsizetype done, qsizetype total) override;
  void Hide() override;

 private:
  void send(double progress, bool visible);
  QString appUri_;
};

}  // namespace folvane::platform
