#pragma once

#include "platform/desktop/Progress.h"
#include "platform/desktop/Ui.h"
#include "platform/encoding/CodePage.h"
#include "platform/files/Drives.h"
#include "platform/files/Files.h"
#include "platform/office/Automation.h"
#include "platform/office/Office.h"
#include "platform/printing/Printers.h"
#include "platform/printing/Spooler.h"
#include "platform/process/Process.h"
#include "platform/profile/Profile.h"
#include "platform/profile/Registry.h"
#include "platform/profile/System.h"

namespace folvane::platform {

// Everything the logic and the windows reach of the outside world. `main`
// wires the Linux backends in; tests wire fakes.
struct Platform {
  Profile& profile;
  Process& process;
  Ui& ui;
  Registry& registry;
  Printers& printers;
  System& system;
  Files& files;
  Clock& clock;
  Office& office;
  Spooler& spooler;
  Automation& automation;
  Drives& drives;
  // The file the PDF printer collects its output in by default, and the
  // fixed folder the batch conversion names its output names after.
  QString collectingFile;
  QString outputFolder;
  // The record the printer switch keeps while it is in force.
  QString switchRecord;
  // Where the desktop shows how far a batch run or batch print is.
  Progress& progress;
};

// Paths are joined with this wherever the Windows program joined with "\".
inline const QString kPathSep = QStringLiteral("/");

}  // namespace folvane::platform
