#pragma once

#include <QString>
#include <functional>

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

  // The spool folder of the process `pid`: S/spool/<pid>.
  static QString SpoolDir(qint64 pid);

  // Removes what runs that were killed left in S: their spool folders (and
  // the temporary files in users' folders their journals name), their
  // private office profiles and half-written registry files. `running`
  // tells whether a process id is a running instance, whose things stay.
  static void RemoveLeftovers(const std::function<bool(qint64)>& running);
};

}  // namespace folvane::platform
