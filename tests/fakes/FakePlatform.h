#pragma once

#include "FakePrinters.h"
#include "FakeProcess.h"
#include "FakeProfile.h"
#include "FakeRegistry.h"
#include "FakeSystem.h"
#include "FakeUi.h"
#include "platform/Platform.h"

namespace folvane::fakes {

// All fakes in one place, handed out as a Platform.
struct FakePlatform {
  FakeProfile profile;
  FakeProcess process;
  FakeUi ui;
  FakeRegistry registry;
  FakePrinters printers;
  FakeSystem system;
  platform::Platform platform{profile,
                              process,
                              ui,
                              registry,
                              printers,
                              system,
                              QStringLiteral("/sys-folder/xyzzyx.pdf"),
                              QStringLiteral("/sys-folder/tmp/")};
};

}  // namespace folvane::fakes
