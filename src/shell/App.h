#pragma once

#include <QLineEdit>
#include <QPointer>
#include <array>
#include <cstdint>

#include "convert/frmImage.h"
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
};

}  // namespace folvane
