#pragma once

#include <string>

namespace folvane::platform {

// The separator of text that Excel reads as a table (a tab- or
// comma-separated export), 0 for prose.
char DelimiterOf(const std::string& text);

// A separated-values export (UTF-8) as a flat OpenDocument spreadsheet,
// each field in its cell, numbers as numbers: what Excel shows when it
// opens such a file, and what Calc opens without asking for import options.
std::string FlatSheetOf(const std::string& text, char delimiter);

}  // namespace folvane::platform
