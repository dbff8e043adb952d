#pragma once

#include <string>

namespace folvane::platform::pdfsyntax {

// The pieces of PDF text the writer builds its objects from, appended to
// `out` as they stand in the file.

void AppendNumber(std::string& out, long long n);
// "n 0 R": every object the writer makes is of generation 0.
void AppendRef(std::string& out, int number);
// A name as it is written: characters other than the regular ones, and the
// number sign, as #xx. `name` begins with its slash; qpdf holds a number
// sign that began no #xx in its file as a null character.
void AppendName(std::string& out, const std::string& name);
// An outline entry's links to its parent and its neighbours (0: none).
void AppendLinks(std::string& out, int parent, int prev, int next);
// "n 0 obj\n", the start of object `number`.
void AppendObjectStart(std::string& out, int number);

}  // namespace folvane::platform::pdfsyntax
