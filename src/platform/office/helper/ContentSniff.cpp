#include "ContentSniff.h"

#include <cctype>

#include "DelimitedSheet.h"
#include "TextEncoding.h"

namespace folvane::platform {
namespace {

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

bool isOle2(const std::string& head) {
  return startsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

// A file named as today's formats must be one: a package (OOXML, ODF; an
// encrypted OOXML file is an OLE2 file) or RTF.
std::optional<Refusal> checkModern(const std::string& extension, const std::string& head) {
  if (head.empty()) return Refusal{"empty", "ファイルが空です"};
  const bool fits = extension == "rtf" ? startsWith(head, "{\\rtf")
                                       : startsWith(head, "PK\x03\x04") || isOle2(head);
  if (fits) return std::nullopt;
  char delimiter = 0;
  switch (Classify(head, false, delimiter)) {
    case Content::Picture:
      return Refusal{"picture", "画像のファイルです"};
    case Content::Text:
    case Content::Html:
      return Refusal{"text", "テキストか Web ページのファイルです"};
    default:
      return Refusal{"unknown", "名前が示す形式のファイルではありません"};
  }
}

}  // namespace

std::string ExtensionOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return lowered(path.substr(dot + 1));
}

SourceName NameKindOf(const std::string& extension) {
  if (extension == "doc" || extension == "xls") return SourceName::Classic;
  for (const char* modern : {"docx", "docm", "xlsx", "xlsm", "odt", "ods", "rtf"})
    if (extension == modern) return SourceName::Modern;
  return SourceName::Other;
}

Content Classify(const std::string& head, bool sheet, char& delimiter) {
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
  if (!IsUtf16(head) && head.find('\0') != std::string::npos) return Content::Unknown;

  std::string text = IsUtf16(head)                      ? FromUtf16(head)
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
  if (sheet && (delimiter = DelimiterOf(text)) != 0) return Content::Delimited;
  return Content::Text;
}

Sniffed Sniff(const std::string& extension, const std::string& head) {
  Sniffed sniffed;
  switch (NameKindOf(extension)) {
    case SourceName::Other:
      return sniffed;
    case SourceName::Modern:
      sniffed.refusal = checkModern(extension, head);
      return sniffed;
    case SourceName::Classic:
      break;
  }
  sniffed.content = Classify(head, extension == "xls", sniffed.delimiter);
  switch (sniffed.content) {
    case Content::Empty:
      sniffed.refusal = Refusal{"empty", "ファイルが空です"};
      break;
    case Content::Text:
      sniffed.refusal = Refusal{"text", "テキストだけのファイルです"};
      break;
    case Content::Picture:
      sniffed.refusal = Refusal{"picture", "画像のファイルです"};
      break;
    case Content::Unknown:
      sniffed.refusal = Refusal{"unknown", "Word や Excel の内容がありません"};
      break;
    default:
      break;
  }
  return sniffed;
}

}  // namespace folvane::platform
