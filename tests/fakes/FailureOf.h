#pragma once

#include <QString>

#include "platform/Failure.h"

namespace folvane::fakes {

// Runs `call` and returns the message of the Failure it threw, or "" if none.
template <typename Call>
QString failureOf(Call&& call) {
  try {
    call();
  } catch (const platform::Failure& e) {
    return e.message();
  }
  return {};
}

}  // namespace folvane::fakes
