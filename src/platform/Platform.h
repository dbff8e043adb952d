#pragma once

#include "CodePage.h"
#include "Process.h"
#include "Profile.h"
#include "Ui.h"

namespace folvane::platform {

// Everything the logic and the windows reach of the outside world. `main`
// wires the Linux backends in; tests wire fakes.
struct Platform {
  Profile& profile;
  Process& process;
  Ui& ui;
};

// Paths are joined with this wherever the Windows program joined with "\".
inline const QString kPathSep = QStringLiteral("/");

}  // namespace folvane::platform
