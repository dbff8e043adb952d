// folvane-office: the office engine's helper process. It keeps one
// LibreOffice (through LibreOfficeKit) warm and converts documents on request,
// so a crash or hang inside LibreOffice never takes Folvane with it.
//
//   folvane-office <LibreOffice program folder> <profile folder>
//
// Protocol, one line each way, fields separated by a blank and hex-encoded
// (UTF-8 inside), so paths may hold any character:
//   -> CONVERT <source path> <target path> <format>
//   <- OK <version> | ERR <message> [<reason>]
// LibreOffice reads a private copy of the source, taken while the file
// stands still; the version (FileVersion's text, not hex) names what that
// copy held. The reason, a plain word, says why a document was refused:
// "empty", "password", "damaged", "text", "picture", "unknown" (no Word or
// Excel content) or "busy" (still being written). Before the first request it says READY (or ERR
// and ends). End of input ends it.
//
// A source named .doc or .xls must hold what Word or Excel opens under that
// name; LibreOffice alone would open nearly anything, a picture or a damaged
// file included, as plain text.
#define LOK_USE_UNSTABLE_API
#include <LibreOfficeKit/LibreOfficeKitEnums.h>
#include <dirent.h>
#include <iconv.h>
#include <langinfo.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <LibreOfficeKit/LibreOfficeKit.hxx>

#include <sys/stat.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/FileVersion.h"
#include "platform/office/EngineProfile.h"
#include "platform/office/OleDocument.h"

namespace {

int g_reply = -1;  // the protocol's channel: stdout as it was at start

void reply(const std::string& line) {
  const std::string out = line + "\n";
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::write(g_reply, out.data() + done, out.size() - done);
    if (n <= 0) std::_Exit(1);
    done += static_cast<size_t>(n);
  }
}

std::string toHex(const std::string& s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

bool fromHex(const std::string& hex, std::string& out) {
  if (hex.size() % 2) return false;
  out.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    const std::string byte = hex.substr(i, 2);
    char* end = nullptr;
    const long v = std::strtol(byte.c_str(), &end, 16);
    if (*end) return false;
    out += static_cast<char>(v);
  }
  return true;
}

std::string fileUrl(const std::string& path) {
  std::string url = "file://";
  static const char* digits = "0123456789ABCDEF";
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += digits[c >> 4];
      url += digits[c & 15];
    }
  }
  return url;
}

std::string errorText(lok::Office& office, const char* fallback) {
  char* e = office.getError();
  std::string text = (e && *e) ? e : fallback;
  if (e) office.freeError(e);
  return text;
}

// What a .doc or .xls holds, as far as Word and Excel would open it.
enum class Content { Empty, Document, Html, Archive, Delimited, Text, Picture, Unknown };

// Prefixes may hold NUL bytes: their length is the literal's.
template <size_t N>
bool startsWith(const std::string& s, const char (&prefix)[N], size_t at = 0) {
  return s.size() >= at + N - 1 && s.compare(at, N - 1, prefix, N - 1) == 0;
}

std::string lowered(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string extensionOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return lowered(path.substr(dot + 1));
}

// The separator of text that Excel reads as a table (a tab- or
// comma-separated export), 0 for prose.
char delimiterOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; lines.size() < 20 && std::getline(in, line);)
    if (!line.empty() && line != "\r") lines.push_back(line);
  if (lines.empty()) return 0;
  if (std::all_of(lines.begin(), lines.end(),
                  [](const std::string& l) { return l.find('\t') != std::string::npos; }))
    return '\t';
  // Comma-separated: every line has the same number of fields, two or more.
  const auto fields = [](const std::string& l) {
    size_t n = 1;
    bool quoted = false;
    for (char c : l) {
      if (c == '"') quoted = !quoted;
      if (c == ',' && !quoted) ++n;
    }
    return n;
  };
  const size_t n = fields(lines[0]);
  if (n < 2 || lines.size() < 2) return 0;
  for (const auto& l : lines)
    if (fields(l) != n) return 0;
  return ',';
}

// Text saved as "Unicode text" (UTF-16 with its byte order mark, as Excel
// writes it) in UTF-8; as far as it converts.
std::string fromUtf16(const std::string& s) {
  const bool little = s.compare(0, 2, "\xFF\xFE") == 0;
  iconv_t cd = iconv_open("UTF-8", little ? "UTF-16LE" : "UTF-16BE");
  if (cd == iconv_t(-1)) return {};
  std::string in = s.substr(2);
  std::vector<char> out(in.size() * 2 + 4);
  char* inp = in.data();
  size_t inLeft = in.size();
  char* outp = out.data();
  size_t outLeft = out.size();
  iconv(cd, &inp, &inLeft, &outp, &outLeft);  // a cut last character stays out
  iconv_close(cd);
  return std::string(out.data(), size_t(outp - out.data()));
}

bool isUtf16(const std::string& s) {
  return s.compare(0, 2, "\xFF\xFE") == 0 || s.compare(0, 2, "\xFE\xFF") == 0;
}

// The rule, from what LibreOffice's type detection picks for each kind of
// file: binary Office files (OLE2, also encrypted OOXML), OOXML and ODF
// packages, RTF and Word 2 binaries for Word, BIFF2-4 sheets, SpreadsheetML
// and SYLK for Excel, HTML and MHT web archives for both (the archive's page
// is what LibreOffice gets), and tab- or comma-separated text (UTF-8, CP932
// or UTF-16) for Excel. Everything LibreOffice could only show as plain text
// or as a picture is no Word or Excel file.
Content classify(const std::string& head, bool sheet, char& delimiter) {
  delimiter = 0;
  if (head.empty()) return Content::Empty;
  if (startsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") || startsWith(head, "PK\x03\x04"))
    return Content::Document;
  if (!sheet && (startsWith(head, "{\\rtf") || startsWith(head, "\xDB\xA5") ||
                 startsWith(head, "\x31\xBE\x00\x00")))
    return Content::Document;
  if (sheet && head.size() >= 4 && head[0] == '\x09' &&
      (head[1] == 0 || head[1] == 2 || head[1] == 4 || head[1] == 8) && head[2] >= 4 &&
      head[2] <= 16 && head[3] == 0)
    return Content::Document;
  if (startsWith(head, "\xFF\xD8\xFF") || startsWith(head, "\x89PNG") || startsWith(head, "GIF8") ||
      startsWith(head, "II*") || startsWith(head, "MM\x00*") || startsWith(head, "%PDF") ||
      startsWith(head, "\xD7\xCD\xC6\x9A") || startsWith(head, " EMF", 40) ||
      (startsWith(head, "BM") && head.size() > 14 && head.compare(6, 4, std::string(4, '\0')) == 0))
    return Content::Picture;
  if (!isUtf16(head) && head.find('\0') != std::string::npos) return Content::Unknown;

  std::string text = isUtf16(head)                      ? fromUtf16(head)
                     : startsWith(head, "\xEF\xBB\xBF") ? head.substr(3)
                                                        : head;
  const std::string low = lowered(text.substr(0, 4096));
  const size_t first = low.find_first_not_of(" \t\r\n");
  const std::string start = first == std::string::npos ? std::string() : low.substr(first);
  if (startsWith(start, "<?xml")) {
    for (const char* mark : {"mso-application", "urn:schemas-microsoft-com:office",
                             "office:document", "w:worddocument", "<workbook"})
      if (low.find(mark) != std::string::npos) return Content::Document;
  }
  if (startsWith(start, "<")) {
    for (const char* mark : {"<!doctype html", "<html", "<body", "<table"})
      if (low.find(mark) != std::string::npos) return Content::Html;
  }
  if (low.find("mime-version:") != std::string::npos &&
      low.find("multipart/related") != std::string::npos)
    return Content::Archive;
  if (sheet && (startsWith(start, "id;p") || startsWith(start, "table\r\n0,1")))
    return Content::Document;
  if (sheet && (delimiter = delimiterOf(text)) != 0) return Content::Delimited;
  return Content::Text;
}

std::string readHead(const std::string& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string head(limit, '\0');
  in.read(head.data(), std::streamsize(limit));
  head.resize(size_t(in.gcount()));
  return head;
}

bool validUtf8(const std::string& s) {
  iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
  if (cd == iconv_t(-1)) return false;
  std::string in = s;
  std::vector<char> out(in.size() * 2 + 4);
  char* inp = in.data();
  size_t inLeft = in.size();
  char* outp = out.data();
  size_t outLeft = out.size();
  const bool ok = iconv(cd, &inp, &inLeft, &outp, &outLeft) != size_t(-1);
  iconv_close(cd);
  return ok;
}

// Text in UTF-8: as it is when valid, otherwise read as CP932 (exports from
// a Japanese Windows).
std::string asUtf8(const std::string& s) {
  if (validUtf8(s)) return s;
  iconv_t cd = iconv_open("UTF-8//TRANSLIT", "CP932");
  if (cd == iconv_t(-1)) return s;
  std::string in = s;
  std::vector<char> out(in.size() * 3 + 4);
  char* inp = in.data();
  size_t inLeft = in.size();
  char* outp = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0 && iconv(cd, &inp, &inLeft, &outp, &outLeft) == size_t(-1)) {
    if (errno != EILSEQ && errno != EINVAL) break;
    *outp++ = '?';  // a byte neither code page knows
    --outLeft;
    ++inp;
    --inLeft;
  }
  iconv_close(cd);
  return std::string(out.data(), size_t(outp - out.data()));
}

std::string xmlEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\r':
        break;
      default:
        out += c;
    }
  }
  return out;
}

// "-12", "3.5", ".5", "1e6": a number as Excel reads one from text.
bool plainDecimal(const std::string& field) {
  size_t i = 0;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) ++i;
  size_t digits = 0;
  while (i < field.size() && std::isdigit(static_cast<unsigned char>(field[i]))) ++i, ++digits;
  if (i < field.size() && field[i] == '.') {
    ++i;
    while (i < field.size() && std::isdigit(static_cast<unsigned char>(field[i]))) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < field.size() && (field[i] == 'e' || field[i] == 'E')) {
    ++i;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) ++i;
    size_t exponent = 0;
    while (i < field.size() && std::isdigit(static_cast<unsigned char>(field[i]))) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == field.size();
}

// A separated-values export as a flat spreadsheet, each field in its cell,
// numbers as numbers: what Excel shows when it opens such a file.
bool writeSheet(const std::string& text, char delimiter, const std::string& path) {
  std::ostringstream body;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    body << "<table:table-row>";
    std::string field;
    bool quoted = false;
    const auto cell = [&] {
      // The field's own digits are the value: printing a double back would
      // round it, and strtod would also take hex, "inf" and "nan".
      if (plainDecimal(field))
        body << "<table:table-cell office:value-type=\"float\" office:value=\"" << field
             << "\"><text:p>" << xmlEscaped(field) << "</text:p></table:table-cell>";
      else
        body << "<table:table-cell office:value-type=\"string\"><text:p>" << xmlEscaped(field)
             << "</text:p></table:table-cell>";
      field.clear();
    };
    for (size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (delimiter == ',' && c == '"') {
        if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
      } else if (c == delimiter && !quoted) {
        cell();
      } else {
        field += c;
      }
    }
    cell();
    body << "</table:table-row>\n";
  }
  std::ofstream out(path, std::ios::binary);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
         "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body>"
         "<office:spreadsheet><table:table table:name=\"Sheet1\">\n"
      << body.str() << "</table:table></office:spreadsheet></office:body></office:document>\n";
  return bool(out);
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

// The page of a web archive (MHT, Word's "single file web page"), which
// LibreOffice itself reads only as text; empty when it holds none.
std::string pageOfArchive(const std::string& archive) {
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

bool g_passwordAsked = false;

// Password prompts are answered "no password": the document then fails to
// load, and the reason is known.
void onEngineEvent(int type, const char* payload, void* data) {
  if (type != LOK_CALLBACK_DOCUMENT_PASSWORD && type != LOK_CALLBACK_DOCUMENT_PASSWORD_TO_MODIFY)
    return;
  if (type == LOK_CALLBACK_DOCUMENT_PASSWORD) g_passwordAsked = true;
  static_cast<lok::Office*>(data)->setDocumentPassword(payload, nullptr);
}

struct Outcome {
  std::string reason;  // empty: converted
  std::string message;
};

// A folder of the helper's own for files it hands LibreOffice in place of
// the source; emptied after each document.
class WorkFiles {
 public:
  explicit WorkFiles(std::string dir) : dir_(std::move(dir)) {
    ::mkdir(dir_.c_str(), 0700);
    const std::string in = dir_ + "/in";
    ::mkdir(in.c_str(), 0700);
    // Copies of users' documents an engine killed mid-way left.
    if (DIR* d = ::opendir(in.c_str())) {
      while (const dirent* e = ::readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
          ::unlink((in + "/" + e->d_name).c_str());
      ::closedir(d);
    }
  }
  ~WorkFiles() { clear(); }
  std::string make(const std::string& name) {
    const std::string path = dir_ + "/" + name;
    ::unlink(path.c_str());
    made_.push_back(path);
    return path;
  }
  void clear() {
    for (const auto& path : made_) ::unlink(path.c_str());
    made_.clear();
  }

 private:
  std::string dir_;
  std::vector<std::string> made_;
};

// Converts `src` into `dst`; `version` tells what the converted copy held.
Outcome convert(lok::Office& office, WorkFiles& work, const std::string& src,
                const std::string& dst, const std::string& format,
                folvane::platform::FileVersion& version) {
  const std::string ext = extensionOf(src);
  const bool classic = ext == "doc" || ext == "xls";
  // Today's formats, converted when asked for: packages (OOXML, ODF; an
  // encrypted OOXML file is an OLE2 file) and RTF.
  const bool modern = ext == "docx" || ext == "docm" || ext == "xlsx" || ext == "xlsm" ||
                      ext == "odt" || ext == "ods" || ext == "rtf";
  const bool checked = classic || modern;
  // The copy keeps the file's name (LibreOffice may show it), in UTF-8,
  // the only kind of file URL it takes.
  const std::string name = src.substr(src.rfind('/') + 1);
  std::string load = work.make(
      "in/" + (validUtf8(name) ? name : "source." + (ext.empty() ? std::string("bin") : ext)));
  const folvane::platform::Snapshot copy = folvane::platform::TakeSnapshot(src, load);
  if (copy.error == "busy") return {"busy", "the file is being written"};
  if (!copy.error.empty()) return {"", "the file cannot be read"};
  version = copy.version;
  const std::string read = load;  // every look at the content reads the copy
  if (modern) {
    const std::string head = readHead(read, 64 * 1024);
    const bool fits = ext == "rtf" ? startsWith(head, "{\\rtf")
                                   : startsWith(head, "PK\x03\x04") ||
                                         startsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    if (head.empty()) return {"empty", "the file is empty"};
    if (!fits) {
      char delimiter = 0;
      switch (classify(head, false, delimiter)) {
        case Content::Picture:
          return {"picture", "a picture"};
        case Content::Text:
        case Content::Html:
          return {"text", "plain text or a web page"};
        default:
          return {"unknown", "not of the format its name says"};
      }
    }
  }
  if (classic) {
    char delimiter = 0;
    const std::string head = readHead(read, 64 * 1024);
    switch (classify(head, ext == "xls", delimiter)) {
      case Content::Empty:
        return {"empty", "the file is empty"};
      case Content::Text:
        return {"text", "plain text only"};
      case Content::Picture:
        return {"picture", "a picture"};
      case Content::Unknown:
        return {"unknown", "no Word or Excel content"};
      case Content::Delimited: {
        // Calc would ask for import options here; a flat sheet asks nothing.
        std::ifstream in(read, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        load = work.make("sheet.fods");
        const std::string bytes = all.str();
        if (!writeSheet(isUtf16(bytes) ? fromUtf16(bytes) : asUtf8(bytes), delimiter, load))
          return {"", "the table could not be prepared"};
        break;
      }
      case Content::Archive: {
        std::ifstream in(read, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        const std::string page = pageOfArchive(all.str());
        if (page.empty()) return {"text", "a web archive without a page"};
        load = work.make("archive.html");
        std::ofstream(load, std::ios::binary) << page;
        break;
      }
      case Content::Html:
        // Calc would ask for import options for HTML; the web page view asks nothing.
        if (ext == "xls") {
          load = work.make("page.html");
          if (::symlink(read.c_str(), load.c_str()) != 0) return {"", "cannot link"};
        }
        break;
      case Content::Document:
        // LibreOffice crashes on some encrypted Word 97 files instead of asking
        // for their password; the file's own flag tells first.
        if (ext == "doc" && startsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
          std::ifstream in(read, std::ios::binary);
          std::stringstream all;
          all << in.rdbuf();
          if (folvane::platform::WordDocumentEncrypted(all.str()))
            return {"password", "the document is password-protected"};
        }
        break;
    }
  }

  g_passwordAsked = false;
  // Batch: never ask anything; a document that needs an answer fails.
  std::unique_ptr<lok::Document> doc(office.documentLoad(fileUrl(load).c_str(), "Batch=true"));
  if (!doc) {
    const std::string why = errorText(office, "the document could not be opened");
    if (g_passwordAsked) return {"password", why};
    return {checked ? "damaged" : "", why.empty() ? "load failed" : why};
  }
  if (!doc->saveAs(fileUrl(dst).c_str(), format.c_str(), nullptr))
    return {checked ? "damaged" : "", errorText(office, "the document could not be converted")};
  return {};
}

}  // namespace

// LibreOffice turns file URLs into names in the encoding of the locale it
// finds. Folvane names files in UTF-8; under a locale that is not installed
// (LANG=ja_JP.UTF-8 on a system without it: the C locale, ASCII) or of
// another encoding, no Japanese-named document would open. The character
// type becomes C.UTF-8 then; the language stays as set.
void keepFileNamesUtf8() {
  if (std::setlocale(LC_CTYPE, "") && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0) return;
  const char* all = std::getenv("LC_ALL");
  if (all && *all) {
    ::setenv("LANG", all, 1);
    ::unsetenv("LC_ALL");
  }
  ::setenv("LC_CTYPE", "C.UTF-8", 1);
  std::setlocale(LC_CTYPE, "");
}

int main(int argc, char* argv[]) {
  // Dies with Folvane, even when Folvane crashes.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() == 1) return 1;

  // LibreOffice may print to stdout; keep the protocol's channel to ourselves.
  g_reply = ::dup(STDOUT_FILENO);
  ::dup2(STDERR_FILENO, STDOUT_FILENO);

  if (argc != 3) {
    reply("ERR " + toHex("usage: folvane-office <program folder> <profile folder>"));
    return 2;
  }
  const std::string programDir = argv[1];
  const std::string profileDir = argv[2];
  keepFileNamesUtf8();
  // fontconfig reads its file once, when LibreOffice first asks for a font.
  ::setenv("FONTCONFIG_FILE", folvane::platform::SeedEngineProfile(profileDir, programDir).c_str(),
           1);

  std::unique_ptr<lok::Office> office(
      lok::lok_cpp_init(programDir.c_str(), fileUrl(profileDir).c_str()));
  if (!office) {
    reply("ERR " + toHex("LibreOffice could not be started from " + programDir));
    return 3;
  }
  office->setOptionalFeatures(LOK_FEATURE_DOCUMENT_PASSWORD |
                              LOK_FEATURE_DOCUMENT_PASSWORD_TO_MODIFY);
  office->registerCallback(onEngineEvent, office.get());
  WorkFiles work(profileDir + "/work");
  reply("READY");

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string verb, srcHex, dstHex, formatHex, src, dst, format;
    in >> verb >> srcHex >> dstHex >> formatHex;
    if (verb != "CONVERT" || !fromHex(srcHex, src) || !fromHex(dstHex, dst) ||
        !fromHex(formatHex, format)) {
      reply("ERR " + toHex("bad request"));
      continue;
    }
    folvane::platform::FileVersion version;
    const Outcome outcome = convert(*office, work, src, dst, format, version);
    work.clear();
    if (outcome.reason.empty() && outcome.message.empty())
      reply("OK " + version.text());
    else
      reply("ERR " + toHex(outcome.message) + (outcome.reason.empty() ? "" : " " + outcome.reason));
  }
  office.reset();  // writes the profile back
  return 0;
}
