#pragma once

#include <qpdf/QPDFObjectHandle.hh>

#include <cstdint>
#include <string>
#include <vector>

class Pipeline;

namespace folvane::platform {

// A stream's data as it is stored in its file: still compressed, but no
// longer encrypted. Throws PdfError when the data cannot be read.
void PipeStoredData(QPDFObjectHandle stream, Pipeline& to);

// A PDF file written front to back to a file descriptor: buffered, with the
// place of every object kept for the cross-reference table that ends it.
// Throws PdfError (with the system error) when the file cannot be written.
class PdfFileOutput {
 public:
  // Objects are numbered 1 to `objects` - 1; writes the header.
  PdfFileOutput(int fd, int objects, int versionMajor, int versionMinor);

  uint64_t pos() const { return written_ + buffer_.size(); }
  void put(const char* data, size_t size);
  void put(const std::string& text) { put(text.data(), text.size()); }
  // Object `number` begins at `offset` of the file.
  void place(int number, uint64_t offset) { offsets_[size_t(number)] = offset; }
  // The stored data of `stream`; returns its length.
  uint64_t putStoredData(QPDFObjectHandle stream);

  // The cross-reference table and the trailer (`info` 0: none), and every
  // byte out to the file. Every object must have been placed.
  void finish(int root, int info);

 private:
  void flush();
  void writeAll(const char* data, size_t size);

  int fd_;
  std::string buffer_;
  uint64_t written_ = 0;
  uint64_t synced_ = 0;
  std::vector<uint64_t> offsets_;
};

}  // namespace folvane::platform
