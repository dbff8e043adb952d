#pragma once

#include "FakeProcess.h"
#include "FakeProfile.h"
#include "FakeUi.h"
#include "platform/Platform.h"

namespace folvane::fakes {

// All fakes in one place, handed out as a Platform.
struct FakePlatform {
  FakeProfile profile;
  FakeProcess process;
  FakeUi ui;
  platform::Platform platform{profile, process, ui};
};

}  // namespace folvane::fakes
