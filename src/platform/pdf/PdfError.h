#pragma once

#include <QString>
#include <exception>
#include <stdexcept>
#include <string>

namespace folvane::platform {

// What the PDF layer throws: the cause in Japanese (UTF-8), and the system
// error behind it when there is one. Turned into a Failure where a document
// meets the logic.
class PdfError : public std::runtime_error {
 public:
  explicit PdfError(const std::string& japanese, int systemError = 0)
      : std::runtime_error(japanese), systemError_(systemError) {}
  int systemError() const { return systemError_; }

 private:
  int systemError_;
};

// qpdf's English cause in Japanese where it is a known one, the English
// after it; else as qpdf gives it.
QString QpdfCause(const std::string& detail);

// The cause of `e` in Japanese: the system's words for a system error,
// qpdf's cause as QpdfCause gives it, otherwise the text of the error.
QString CauseOf(const std::exception& e);

}  // namespace folvane::platform
