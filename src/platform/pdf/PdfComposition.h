#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class QPDF;

namespace folvane::platform {

// A document put together from the pages of others, held as the bytes of
// its file. Each insertion writes the objects its pages and bookmarks need
// at once, so the document they came from can be let go of; saving adds the
// page tree, the outline's top and the catalog that join them. Streams of
// 64 KiB and more are not held, nor any stream once `holdLimit` bytes of
// stream data are held: they are read from their document when the file
// is written, and that document is kept until then.
class PdfComposition {
 public:
  static constexpr size_t kHoldLimit = size_t(64) << 20;

  // Starts with the pages, catalog entries, document information and
  // outline of `base`, which must have its inherited page attributes on
  // its pages already.
  explicit PdfComposition(const std::shared_ptr<QPDF>& base, size_t holdLimit = kHoldLimit);
  ~PdfComposition();
  PdfComposition(const PdfComposition&) = delete;
  PdfComposition& operator=(const PdfComposition&) = delete;

  int pageCount() const;

  // Puts `count` pages of `source` from `first` (counted from 0) after page
  // `after` (-1: before the first). With `bookmarks` the source's outline
  // follows the outline so far, every entry once (loops and shared entries
  // are cut), pointing at the pages put in by this call. Throws
  // std::exception; the composition is then as it was before the call.
  void insert(int after, const std::shared_ptr<QPDF>& source, int first, int count, bool bookmarks);

  // Writes the whole file to `fd`, unencrypted. Throws std::exception,
  // QPDFSystemError when the file cannot be written.
  void write(int fd) const;

 private:
  struct Body;
  struct TopEntry;
  class Copier;

  void add(int after, const std::shared_ptr<QPDF>& source, int first, int count, bool bookmarks,
           bool isBase);

  std::unique_ptr<Body> body_;
  std::vector<int> pages_;     // page objects in page order
  std::vector<TopEntry> top_;  // the outline's first level, joined when written
  int outlineVisible_ = 0;     // outline entries shown, children of open ones included
  int catalog_ = 0;
  int pageTree_ = 0;
  int outlineRoot_ = 0;
  int info_ = 0;             // 0: no document information
  std::string catalogKeys_;  // the base's catalog entries but the pages and outline
  int versionMajor_ = 1;
  int versionMinor_ = 3;
};

}  // namespace folvane::platform
