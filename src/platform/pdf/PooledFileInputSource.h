#pragma once

#include <qpdf/InputSource.hh>

#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/LinuxFiles.h"

namespace folvane::platform {

class PooledFileInputSource;

// The open files and read windows of the PDF sources one PDF engine reads:
// at most PooledFileInputSource::kOpenFiles descriptors, whatever the
// number of sources. Outlives its sources.
class PdfFilePool {
 public:
  PdfFilePool() = default;
  ~PdfFilePool();
  PdfFilePool(const PdfFilePool&) = delete;
  PdfFilePool& operator=(const PdfFilePool&) = delete;

 private:
  friend class PooledFileInputSource;
  char* takeWindow();
  void giveBack(char* window);

  std::mutex lock_;
  // Sources holding an open file, the most recently read first.
  std::list<PooledFileInputSource*> open_;
  // The windows of the open files, in one mapping made at the first read
  // and kept with the pool: a window of this size handed back to malloc
  // made it sweep all its small free chunks, once per file, and a mapping
  // dropped with the last open file was made again, faulted in and dropped
  // for every file of a run read one at a time (a save reading its sources
  // again, a print). It holds at most the pages its files' reads touched.
  char* windows_ = nullptr;
  std::vector<char*> freeWindows_;
};

// A PDF file read through a small pool of open files: a merge of a thousand
// documents keeps at most kOpenFiles descriptors, yet a document being read
// stays open instead of being reopened for every read; the least recently
// read file is closed when the pool is full. Reads go through a window of
// the file held in memory, with no system call for the many small reads the
// parser makes. Different sources may be read on different threads (each
// by one thread at a time): the pool and every read go under one lock, so
// no file is closed while another thread reads it.
class PooledFileInputSource final : public InputSource {
 public:
  static constexpr size_t kOpenFiles = 64;
  static constexpr size_t kWindow = 64 * 1024;

  // Throws PdfError when the file cannot be opened, or, with `expected`,
  // when it is not that file as it was then.
  PooledFileInputSource(PdfFilePool& pool, std::string filename,
                        std::optional<FileStamp> expected = std::nullopt);
  ~PooledFileInputSource() override;

  qpdf_offset_t findAndSkipNextEOL() override;
  std::string const& getName() const override { return filename_; }
  qpdf_offset_t tell() override { return pos_; }
  void seek(qpdf_offset_t offset, int whence) override;
  void rewind() override { pos_ = 0; }
  size_t read(char* buffer, size_t length) override;
  void unreadCh(char ch) override;

  // Closes the file; the next read opens it again.
  void close();

  // The file as first opened.
  const FileStamp& stamp() const { return stamp_; }

 private:
  // With the pool's lock held.
  int descriptor();
  void closeLocked();
  qpdf_offset_t size();
  size_t readLocked(char* buffer, size_t length);

  PdfFilePool& pool_;
  std::string filename_;
  int fd_ = -1;
  qpdf_offset_t pos_ = 0;
  qpdf_offset_t size_ = -1;  // known once the file was opened
  FileStamp stamp_;          // the file as first opened
  char* window_ = nullptr;   // kWindow bytes of the pool's, while the file is open
  size_t windowLength_ = 0;
  qpdf_offset_t windowStart_ = 0;
};

}  // namespace folvane::platform
