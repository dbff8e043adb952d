#include "TextEncoding.h"

#include "platform/encoding/Iconv.h"

namespace folvane::platform {

bool IsUtf16(const std::string& s) {
  return s.compare(0, 2, "\xFF\xFE") == 0 || s.compare(0, 2, "\xFE\xFF") == 0;
}

std::string FromUtf16(const std::string& s) {
  const bool little = s.compare(0, 2, "\xFF\xFE") == 0;
  const std::string_view text = std::string_view(s).substr(std::min<size_t>(2, s.size()));
  return Iconv("UTF-8", little ? "UTF-16LE" : "UTF-16BE", text, OnBadInput::Stop).value_or("");
}

bool ValidUtf8(const std::string& s) {
  return Iconv("UTF-16LE", "UTF-8", s).has_value();
}

std::string AsUtf8(const std::string& s) {
  if (ValidUtf8(s)) return s;
  return Iconv("UTF-8//TRANSLIT", "CP932", s, OnBadInput::Replace).value_or(s);
}

}  // namespace folvane::platform
