#include "PdfFileOutput.h"

#include <fcntl.h>
#include <unistd.h>
#include <qpdf/Pipeline.hh>

#include <cerrno>
#include <cstdio>
#include <random>

#include "PdfSyntax.h"
#include "platform/pdf/PdfError.h"

namespace folvane::platform {
namespace {

constexpr size_t kBuffer = 1 << 20;
constexpr uint64_t kSyncStep = 8 << 20;

class WriteTo final : public Pipeline {
 public:
  explicit WriteTo(PdfFileOutput& out) : Pipeline("pdf file", nullptr), out_(out) {}
  void write(unsigned char const* data, size_t len) override {
    out_.put(reinterpret_cast<const char*>(data), len);
  }
  void finish() override {}

 private:
  PdfFileOutput& out_;
};

}  // namespace

void PipeStoredData(QPDFObjectHandle stream, Pipeline& to) {
  bool filtered = false;
  if (!stream.pipeStreamData(&to, &filtered, 0, qpdf_dl_none, true))
    throw PdfError("オブジェクト " + std::to_string(stream.getObjectID()) +
                   " のデータを読めません");
}

PdfFileOutput::PdfFileOutput(int fd, int objects, int versionMajor, int versionMinor)
    : fd_(fd), offsets_(size_t(objects), 0) {
  buffer_.reserve(kBuffer);
  put("%PDF-" + std::to_string(versionMajor) + "." + std::to_string(versionMinor) +
      "\n%\xbf\xf7\xa2\xfe\n");
}

void PdfFileOutput::put(const char* data, size_t size) {
  if (buffer_.size() + size > kBuffer) flush();
  if (size >= kBuffer)
    writeAll(data, size);
  else
    buffer_.append(data, size);
}

uint64_t PdfFileOutput::putStoredData(QPDFObjectHandle stream) {
  const uint64_t start = pos();
  WriteTo sink(*this);
  PipeStoredData(stream, sink);
  return pos() - start;
}

void PdfFileOutput::finish(int root, int info) {
  using namespace pdfsyntax;
  const uint64_t xref = pos();
  std::string text = "xref\n0 ";
  AppendNumber(text, (long long)offsets_.size());
  text += "\n0000000000 65535 f \n";
  for (size_t number = 1; number < offsets_.size(); ++number) {
    if (offsets_[number] == 0)
      throw PdfError("内部エラー: オブジェクト " + std::to_string(number) + " が書かれていません");
    if (offsets_[number] > 9999999999ULL) throw PdfError("ファイルが大きすぎます（10 GB 以上）");
    char line[21];
    std::snprintf(line, sizeof line, "%010llu 00000 n \n", (unsigned long long)offsets_[number]);
    text.append(line, 20);
  }
  // A new file gets a new identifier.
  std::random_device random;
  char id[33];
  std::snprintf(id, sizeof id, "%08x%08x%08x%08x", random(), random(), random(), random());
  text += "trailer\n<</Size ";
  AppendNumber(text, (long long)offsets_.size());
  text += "/Root ";
  AppendRef(text, root);
  if (info != 0) {
    text += "/Info ";
    AppendRef(text, info);
  }
  text += "/ID[<" + std::string(id) + "><" + std::string(id) + ">]>>\nstartxref\n";
  AppendNumber(text, (long long)xref);
  text += "\n%%EOF\n";
  put(text);
  flush();
}

void PdfFileOutput::flush() {
  writeAll(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void PdfFileOutput::writeAll(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t done = ::write(fd_, data, size);
    if (done < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      throw PdfError("書き込めません", error);
    }
    data += done;
    size -= size_t(done);
    written_ += uint64_t(done);
  }
  // The disk begins on what is written while the rest is made, so the
  // sync before the rename has little left to wait for.
  if (written_ - synced_ >= kSyncStep) {
    ::sync_file_range(fd_, off64_t(synced_), off64_t(written_ - synced_), SYNC_FILE_RANGE_WRITE);
    synced_ = written_;
  }
}

}  // namespace folvane::platform
