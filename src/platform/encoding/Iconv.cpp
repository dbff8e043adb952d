#include "Iconv.h"

#include <errno.h>
#include <iconv.h>

namespace folvane::platform {

std::optional<std::string> Iconv(const char* to, const char* from, std::string_view in,
                                 OnBadInput bad, char replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  size_t used = 0;
  bool ok = true;
  while (srcLeft > 0) {
    char* dst = out.data() + used;
    size_t dstLeft = out.size() - used;
    const size_t done = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    used = size_t(dst - out.data());
    if (done != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ, or EINVAL: a sequence cut off at the end.
    if (bad == OnBadInput::Replace) {
      if (used == out.size()) out.resize(out.size() * 2);
      out[used++] = replacement;
      ++src;
      --srcLeft;
      continue;
    }
    ok = bad == OnBadInput::Stop;
    break;
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(used);
  return out;
}

}  // namespace folvane::platform
