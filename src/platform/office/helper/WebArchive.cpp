#include "WebArchive.h"

#include <cctype>

namespace folvane::platform {
namespace {

std::string lowered(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string headerValue(const std::string& headers, const std::string& name) {
  const std::string low = lowered(headers);
  size_t at = 0;
  while ((at = low.find(name + ":", at)) != std::string::npos) {
    if (at == 0 || low[at - 1] == '\n') {
      size_t end = at;
      // Folded header lines go on with a blank.
      do {
        end = headers.find('\n', end + 1);
      } while (end != std::string::npos && end + 1 < headers.size() &&
               (headers[end + 1] == ' ' || headers[end + 1] == '\t'));
      return headers.substr(at + name.size() + 1, end == std::string::npos
                                                      ? std::string::npos
                                                      : end - at - name.size() - 1);
    }
    ++at;
  }
  return {};
}

std::string parameterOf(const std::string& value, const std::string& name) {
  const size_t at = lowered(value).find(name + "=");
  if (at == std::string::npos) return {};
  size_t start = at + name.size() + 1;
  if (start < value.size() && value[start] == '"') {
    const size_t end = value.find('"', start + 1);
    return value.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
  }
  const size_t end = value.find_first_of("; \t\r\n", start);
  return value.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string decodedBody(const std::string& body, const std::string& encoding) {
  const std::string how = lowered(encoding);
  std::string out;
  if (how.find("quoted-printable") != std::string::npos) {
    for (size_t i = 0; i < body.size(); ++i) {
      if (body[i] != '=') {
        out += body[i];
      } else if (i + 1 < body.size() && (body[i + 1] == '\r' || body[i + 1] == '\n')) {
        i += body[i + 1] == '\r' && i + 2 < body.size() && body[i + 2] == '\n' ? 2 : 1;
      } else if (i + 2 < body.size() && std::isxdigit(static_cast<unsigned char>(body[i + 1])) &&
                 std::isxdigit(static_cast<unsigned char>(body[i + 2]))) {
        out += static_cast<char>(std::stoi(body.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        out += body[i];
      }
    }
    return out;
  }
  if (how.find("base64") != std::string::npos) {
    static const std::string digits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    unsigned bits = 0;
    int count = 0;
    for (char c : body) {
      const size_t v = digits.find(c);
      if (v == std::string::npos) continue;
      bits = (bits << 6) | unsigned(v);
      count += 6;
      if (count >= 8) {
        count -= 8;
        out += static_cast<char>((bits >> count) & 0xff);
      }
    }
    return out;
  }
  return body;
}

}  // namespace

std::string PageOfArchive(const std::string& archive) {
  const auto split = [](const std::string& part, std::string& headers, std::string& body) {
    size_t end = part.find("\r\n\r\n");
    size_t skip = 4;
    const size_t lf = part.find("\n\n");
    if (lf != std::string::npos && (end == std::string::npos || lf < end)) {
      end = lf;
      skip = 2;
    }
    if (end == std::string::npos) return false;
    headers = part.substr(0, end);
    body = part.substr(end + skip);
    return true;
  };
  std::string headers, body;
  if (!split(archive, headers, body)) return {};
  const std::string type = headerValue(headers, "content-type");
  if (lowered(type).find("text/html") != std::string::npos)
    return decodedBody(body, headerValue(headers, "content-transfer-encoding"));
  const std::string boundary = parameterOf(type, "boundary");
  if (boundary.empty()) return {};
  const std::string mark = "--" + boundary;
  size_t at = body.find(mark);
  while (at != std::string::npos) {
    const size_t start = body.find('\n', at);
    if (start == std::string::npos) break;
    const size_t next = body.find(mark, start);
    const std::string part =
        body.substr(start + 1, next == std::string::npos ? std::string::npos : next - start - 1);
    std::string partHeaders, partBody;
    if (split(part, partHeaders, partBody) &&
        lowered(headerValue(partHeaders, "content-type")).find("text/html") != std::string::npos)
      return decodedBody(partBody, headerValue(partHeaders, "content-transfer-encoding"));
    at = next;
  }
  return {};
}

}  // namespace folvane::platform
