#include "PdfSyntax.h"

#include <charconv>
#include <cstring>

namespace folvane::platform::pdfsyntax {

void AppendNumber(std::string& out, long long n) {
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, n).ptr;
  out.append(text, end);
}

void AppendRef(std::string& out, int number) {
  AppendNumber(out, number);
  out += " 0 R";
}

void AppendName(std::string& out, const std::string& name) {
  out += '/';
  for (size_t i = 1; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == 0) c = '#';
    if (c < '!' || c > '~' || std::strchr("#()<>[]{}/%", c)) {
      static constexpr char hex[] = "0123456789abcdef";
      out += '#';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += char(c);
    }
  }
}

void AppendLinks(std::string& out, int parent, int prev, int next) {
  out += "/Parent ";
  AppendRef(out, parent);
  if (prev != 0) {
    out += "/Prev ";
    AppendRef(out, prev);
  }
  if (next != 0) {
    out += "/Next ";
    AppendRef(out, next);
  }
}

void AppendObjectStart(std::string& out, int number) {
  AppendNumber(out, number);
  out += " 0 obj\n";
}

}  // namespace folvane::platform::pdfsyntax
