#pragma once

#include <optional>
#include <string>

namespace folvane::platform {

// What a file holds, as far as Word and Excel would open it.
enum class Content { Empty, Document, Html, Archive, Delimited, Text, Picture, Unknown };

// Which names the helper checks before LibreOffice sees the file: the
// classic binary names, today's formats (converted when asked for), and
// everything else (handed over as it is).
enum class SourceName { Classic, Modern, Other };

// The file's extension, lower-cased ASCII; empty when it has none.
std::string ExtensionOf(const std::string& path);
SourceName NameKindOf(const std::string& extension);

// The rule, from what LibreOffice's type detection picks for each kind of
// file: binary Office files (OLE2, also encrypted OOXML), OOXML and ODF
// packages, RTF and Word 2 binaries for Word, BIFF2-4 sheets, SpreadsheetML
// and SYLK for Excel, HTML and MHT web archives for both, and tab- or
// comma-separated text (UTF-8, CP932 or UTF-16) for Excel (`delimiter` then
// says which). Everything LibreOffice could only show as plain text or as a
// picture is no Word or Excel file. `head` is the file's first bytes.
Content Classify(const std::string& head, bool sheet, char& delimiter);

// Why a file is not converted: `reason` is the protocol's word for a
// document refused ("empty", "password", "text", "picture", "unknown",
// "busy", "damaged"), empty for a failure of another kind; `message` says
// it in Japanese.
struct Refusal {
  std::string reason;
  std::string message;
};

// What the helper does with a source named with `extension` whose first
// bytes are `head`: a refusal, or the content LibreOffice is to get.
struct Sniffed {
  std::optional<Refusal> refusal;
  Content content = Content::Document;
  char delimiter = 0;
};
Sniffed Sniff(const std::string& extension, const std::string& head);

}  // namespace folvane::platform
