#pragma once

// The office engine's private LibreOffice profile: the settings it runs with
// and the faces that draw the fonts documents name but Debian does not have.
// Plain C++: the helper process has no Qt.

#include <string>
#include <vector>

namespace folvane::platform {

// A font name as documents spell it, the installed face drawn in its place,
// and the fontconfig weight the name itself implies ("bold" for HG明朝B,
// "black" for ...UB; empty: the document's weight is kept).
struct FontStandIn {
  std::string name;
  std::string face;
  std::string weight;
};

// Every spelling documents use (Japanese and English names, half- and
// full-width letters and katakana) of the fonts Japanese Windows and Office
// ship, and of the Latin ones fontconfig maps to nothing alike. Spaces and
// case need no spellings of their own: the rules ignore them.
std::vector<FontStandIn> FontStandIns();

// A fontconfig configuration: the file `base` (the one the engine would have
// read), then one rule per stand-in, so the stand-in decides before
// fontconfig's own choice of a default family.
std::string FontConfigText(const std::string& base);

// Writes the settings into `profileDir` (what an existing profile lacks is
// added; LibreOffice keeps the rest) and the fontconfig file beside them.
// Returns that file's path: the engine must start with FONTCONFIG_FILE set
// to it. `programDir` is LibreOffice's program folder.
std::string SeedEngineProfile(const std::string& profileDir, const std::string& programDir);

}  // namespace folvane::platform
