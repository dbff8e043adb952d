#pragma once

#include <memory>

class QPDF;

namespace folvane::platform {

// Where a source's large streams are read again when the file is written,
// once the source itself has been let go of: a merge of many files then
// holds the parsed objects of none of them.
class PdfOrigin {
 public:
  virtual ~PdfOrigin() = default;
  // The source as it was read. Throws std::exception when it cannot be had
  // any more, or not as it was.
  virtual std::shared_ptr<QPDF> reopen() const = 0;
};

}  // namespace folvane::platform
