#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "PdfForm.h"
#include "PdfLayers.h"
#include "PdfOrigin.h"
#include "PdfPageLabels.h"

namespace folvane::platform {

struct PdfBody;
struct OutlineTopEntry;
class PdfFileOutput;

// Writes a PDF file put together from the pages of others. Each insertion
// writes the objects its pages and bookmarks need at once, as the text of
// the file, so the document they came from can be let go of; `write` adds
// the page tree, the outline's top and the catalog that join them, and the
// cross-reference table. Streams of 64 KiB and more are not held, nor any
// stream once `holdLimit` bytes of stream data are held: they are read from
// their document when the file is written. A document given with its origin
// is not kept for them: they are read from it if it is still held then, else
// from its origin; one given without is kept until then.
class PdfWriter {
 public:
  static constexpr size_t kHoldLimit = size_t(64) << 20;

  // Starts with the pages, catalog entries, document information and
  // outline of `base`, which must have its inherited page attributes on
  // its pages already.
  explicit PdfWriter(const std::shared_ptr<QPDF>& base, size_t holdLimit = kHoldLimit,
                     std::shared_ptr<const PdfOrigin> origin = {});
  ~PdfWriter();
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  int pageCount() const;

  // Puts `count` pages of `source` from `first` (counted from 0) after page
  // `after` (-1: before the first). With `bookmarks` the source's outline
  // follows the outline so far, every entry once (loops and shared entries
  // are cut), pointing at the pages put in by this call. Throws
  // std::exception (PdfError for a page range outside the source); the
  // writer is then as it was before the call.
  void insert(int after, const std::shared_ptr<QPDF>& source, int first, int count, bool bookmarks,
              std::shared_ptr<const PdfOrigin> origin = {});

  // Writes the whole file to `fd`, unencrypted. Throws std::exception,
  // PdfError with the system error when the file cannot be written, or when
  // a source's stream is no longer the one it was.
  void write(int fd) const;

 private:
  void add(int after, const std::shared_ptr<QPDF>& source, std::shared_ptr<const PdfOrigin> origin,
           int first, int count, bool bookmarks, bool isBase);
  void copyBaseEntries(class PdfObjectCopier& copier, const std::shared_ptr<QPDF>& base);
  void writeBody(PdfFileOutput& out) const;
  std::string joiningObjects(PdfFileOutput& out) const;

  std::unique_ptr<PdfBody> body_;
  std::vector<int> pages_;            // page objects in page order
  std::vector<OutlineTopEntry> top_;  // the outline's first level, joined when written
  int outlineVisible_ = 0;            // outline entries shown, children of open ones included
  int catalog_ = 0;
  int pageTree_ = 0;
  int outlineRoot_ = 0;
  int info_ = 0;  // 0: no document information
  std::string
      catalogKeys_;       // the base's catalog entries but the pages, outline, form, layers, labels
  PdfForm form_;          // every file's fields
  PdfLayers layers_;      // every file's optional content
  PdfPageLabels labels_;  // every page's label
  int versionMajor_ = 1;
  int versionMinor_ = 3;
};

}  // namespace folvane::platform
