#include "EngineShare.h"

#include <algorithm>

namespace folvane::platform {
namespace {

// Another engine starts when a third of a core sat idle while work waited.
constexpr double kIdleToGrow = 0.35;
// The last engine to start goes idle when the engines together got less
// than this much of a core more than one fewer would have, a core each:
// two engines on the one core another session leaves render slower than one.
constexpr double kLeastGain = 0.3;

}  // namespace

EngineShare::EngineShare(int engines) : engines_(std::max(1, engines)) {}

bool EngineShare::Take(const Reading& reading) {
  if (reading.seconds < kLeastSeconds) return false;
  int next = working_;
  if (working_ > 1 && reading.engineCores >= 0 && reading.engineCores < working_ - 1 + kLeastGain)
    --next;
  else if (working_ < engines_ && reading.backlog && reading.idleCores >= kIdleToGrow)
    ++next;
  if (next == working_) return false;
  working_ = next;
  most_ = std::max(most_, working_);
  return true;
}

}  // namespace folvane::platform
