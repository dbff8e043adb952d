#pragma once

#include <QString>

namespace folvane::platform {

// The per-user folder S that stands for what Windows keeps system-wide:
// ${XDG_DATA_HOME:-$HOME/.local/share}/folvane, with S/windows as the
// Windows folder (win.ini, the registry file).
class SystemFolder {
 public:
  static QString Root();
  static QString WindowsDir();

  // Creates S (mode 0700) and S/windows, and sets "windir" to S/windows when
  // the environment has none. Run once at process start, before anything
  // reads "windir". False when the folders could not be made.
  static bool Prepare();
};

}  // namespace folvane::platform
