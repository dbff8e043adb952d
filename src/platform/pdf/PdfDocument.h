#pragma once

#include <QString>
#include <memory>
#include <thread>
#include <vector>

class QPDF;

namespace folvane::platform {

class PdfFilePool;
class PdfOrigin;
class PdfWriter;

// One PDF in memory, on qpdf. Its file is read through a small pool of open
// files, so a thousand documents do not hold a thousand file descriptors.
class PdfDocument {
 public:
  // Throws platform::Failure naming the file and the cause (unreadable,
  // password, damaged) when it cannot be opened. What pages inherit from the
  // page tree (/MediaBox, /CropBox, /Rotate, /Resources) is put on each page,
  // so a page copied elsewhere looks as it does here.
  PdfDocument(PdfFilePool& files, const QString& path);
  ~PdfDocument();

  const QString& path() const { return path_; }
  std::thread::id openedOn() const { return openedOn_; }
  int pageCount() const;

  // Puts `count` pages of `source` from `first` (counted from 0) after page
  // `after` of this document (-1: before the first). With `bookmarks` the
  // source's whole outline follows the base's, pointing at the copied pages;
  // every entry is taken once (loops and shared entries are cut), and the
  // base's own outline is cleaned the same way at the first such call.
  void insertPages(int after, PdfDocument& source, int first, int count, bool bookmarks);

  // Writes the whole document to `target`, unencrypted: as a temporary file
  // of its folder first (see FolderTemporary; `journal` records it where it
  // needs a name), then put in place, so `target` is complete or as it was.
  // A Failure names `target`, never the temporary file.
  void save(const QString& target, const QString& journal = {});

  // Writes pages first..last (from 0) to a new file.
  void extract(int first, int last, const QString& target) const;

  // Parses now what a merge reads of the file, so that the work of reading
  // is done where this is called (a thread reading ahead): what its catalog
  // reaches, the structure tree only with `structure` (the first file's is
  // carried; tagged files hold far more of it than pages). Best effort: what
  // fails here is done, and fails, where it would have been done otherwise.
  void readAhead(bool structure);

 private:
  // From here on the document is pages put together by a writer.
  void compose();
  // The document as qpdf reads it: what the writer holds is written out for it.
  std::shared_ptr<QPDF> readable() const;

  PdfFilePool& files_;
  QString path_;
  std::thread::id openedOn_ = std::this_thread::get_id();
  std::shared_ptr<QPDF> pdf_;                // as opened, until pages are put in or it is saved
  std::shared_ptr<const PdfOrigin> origin_;  // its file as opened
  std::unique_ptr<PdfWriter> writer_;
};

}  // namespace folvane::platform
