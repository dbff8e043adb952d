#pragma once

#include <string>

namespace folvane::platform {

// The page of a web archive (MHT, Word's "single file web page"), decoded
// from quoted-printable or base64, which LibreOffice itself reads only as
// text; empty when it holds none.
std::string PageOfArchive(const std::string& archive);

}  // namespace folvane::platform
