#pragma once

#include "Automation.h"
#include "CodePage.h"
#include "Drives.h"
#include "Files.h"
#include "Office.h"
#include "Printers.h"
#include "Process.h"
#include "Profile.h"
#include "Progress.h"
#include "Registry.h"
#include "Spooler.h"
#include "System.h"
#include "Ui.h"

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
