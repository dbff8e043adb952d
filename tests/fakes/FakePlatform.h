#pragma once

#include "FakeAutomation.h"
#include "FakeDrives.h"
#include "FakeFiles.h"
#include "FakeOffice.h"
#include "FakePrinters.h"
#include "FakeProcess.h"
#include "FakeProfile.h"
#include "FakeProgress.h"
#include "FakeRegistry.h"
#include "FakeSystem.h"
#include "FakeUi.h"
#include "platform/Platform.h"

namespace folvane::fakes {

// All fakes in one place, handed out as a Platform.
struct FakePlatform {
  static inline const QString kCollectingFile = QStringLiteral("/sys-folder/xyzzyx.pdf");
  static inline const QString kOutputFolder = QStringLiteral("/sys-folder/tmp/");
  static inline const QString kSwitchRecord = QStringLiteral("/sys-folder/printer-switch.ini");

  FakeProfile profile;
  FakeProcess process;
  FakeUi ui;
  FakeRegistry registry;
  FakePrinters printers;
  FakeSystem system;
  FakeFiles files;
  FakeClock clock;
  FakeOffice office{files, kCollectingFile};
  FakeSpooler spooler;
  FakeAutomation automation;
  FakeDrives drives;
  FakeProgress progress;
  platform::Platform platform = with(profile);

  // The same fakes around another profile (a real one on disk, say).
  platform::Platform with(platform::Profile& otherProfile) { return with(otherProfile, files); }
  // ... and another file layer.
  platform::Platform with(platform::Profile& otherProfile, platform::Files& otherFiles) {
    return platform::Platform{
        otherProfile,  process, ui,      registry,   printers, system,          otherFiles,
        clock,         office,  spooler, automation, drives,   kCollectingFile, kOutputFolder,
        kSwitchRecord, progress};
  }
};

}  // namespace folvane::fakes
