#pragma once

#include <string>

namespace folvane::platform {

// Text as Windows programs save it, brought to UTF-8.

// Begins with a UTF-16 byte order mark ("Unicode text" as Excel saves it).
bool IsUtf16(const std::string& s);
// UTF-16 with its byte order mark in UTF-8, as far as it converts (a
// character cut off at the end stays out).
std::string FromUtf16(const std::string& s);
bool ValidUtf8(const std::string& s);
// Text in UTF-8: as it is when valid, otherwise read as CP932 (exports from
// a Japanese Windows), a byte neither knows as '?'.
std::string AsUtf8(const std::string& s);

}  // namespace folvane::platform
