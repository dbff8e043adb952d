#pragma once

#include <string>

namespace folvane::platform {

// The helper's protocol fields: hex, so paths may hold any byte (blanks,
// line breaks, names in no valid encoding).
std::string ToHex(const std::string& s);
// False when `hex` is not an even run of hex digits.
bool FromHex(const std::string& hex, std::string& out);
// "file://" and `path` with every byte but the unreserved ones and '/'
// percent-encoded.
std::string FileUrl(const std::string& path);

}  // namespace folvane::platform
