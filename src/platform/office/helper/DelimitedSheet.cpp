#include "DelimitedSheet.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

namespace folvane::platform {
namespace {

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

}  // namespace

char DelimiterOf(const std::string& text) {
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

std::string FlatSheetOf(const std::string& text, char delimiter) {
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
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
         "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body>"
         "<office:spreadsheet><table:table table:name=\"Sheet1\">\n" +
         body.str() + "</table:table></office:spreadsheet></office:body></office:document>\n";
}

}  // namespace folvane::platform
