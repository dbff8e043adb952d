#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace folvane::platform {

// What a conversion does at bytes the source encoding has no character for,
// or at a character cut off at the end.
enum class OnBadInput {
  Fail,     // nullopt
  Stop,     // what was converted before it
  Replace,  // the replacement character in place of each such byte
};

// One iconv conversion of `in` from encoding `from` to `to` (iconv's names).
// nullopt also when iconv knows no such pair of encodings.
std::optional<std::string> Iconv(const char* to, const char* from, std::string_view in,
                                 OnBadInput bad = OnBadInput::Fail, char replacement = '?');

}  // namespace folvane::platform
