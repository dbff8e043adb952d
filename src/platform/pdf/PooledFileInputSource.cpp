#include "PooledFileInputSource.h"

#include "PdfError.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <list>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

namespace folvane::platform {
char* PdfFilePool::takeWindow() {
  if (!windows_) {
    constexpr size_t bytes = PooledFileInputSource::kOpenFiles * PooledFileInputSource::kWindow;
    void* mapped =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    windows_ = static_cast<char*>(mapped);
    for (size_t i = PooledFileInputSource::kOpenFiles; i-- > 0;)
      freeWindows_.push_back(windows_ + i * PooledFileInputSource::kWindow);
  }
  char* window = freeWindows_.back();  // never empty: a window per open file
  freeWindows_.pop_back();
  return window;
}

void PdfFilePool::giveBack(char* window) {
  freeWindows_.push_back(window);
}

PdfFilePool::~PdfFilePool() {
  if (windows_)
    ::munmap(windows_, PooledFileInputSource::kOpenFiles * PooledFileInputSource::kWindow);
}

PooledFileInputSource::PooledFileInputSource(PdfFilePool& pool, std::string filename,
                                             std::optional<FileStamp> expected)
    : pool_(pool), filename_(std::move(filename)) {
  if (expected) {  // opened as if again
    stamp_ = *expected;
    size_ = expected->size;
  }
  const std::lock_guard guard(pool_.lock_);
  descriptor();  // fails here, as a plain file source does, when there is no file
}

PooledFileInputSource::~PooledFileInputSource() {
  close();
}

void PooledFileInputSource::close() {
  const std::lock_guard guard(pool_.lock_);
  closeLocked();
}

void PooledFileInputSource::closeLocked() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  pool_.open_.remove(this);
  if (window_) pool_.giveBack(window_);  // a closed file holds no memory either
  window_ = nullptr;
  windowLength_ = 0;
}

int PooledFileInputSource::descriptor() {
  auto& open = pool_.open_;
  if (fd_ >= 0) {
    if (open.front() != this)
      open.splice(open.begin(), open, std::find(open.begin(), open.end(), this));
    return fd_;
  }
  while (open.size() >= kOpenFiles) open.back()->closeLocked();
  const int fd = ::open(filename_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw PdfError("「" + filename_ + "」を開けません", errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    throw PdfError("「" + filename_ + "」の情報を読めません", errno);
  }
  // Opened again, the name must still lead to the file first read: bytes
  // from another file at the old offsets would go out as good ones.
  const FileStamp now = FileStamp::Of(st);
  if (size_ >= 0 && !(now == stamp_)) {
    ::close(fd);
    throw PdfError(filename_ + ": 読んでいる間にファイルが変更されたか置き換えられました");
  }
  stamp_ = now;
  size_ = st.st_size;
  fd_ = fd;
  open.push_front(this);
  return fd_;
}

qpdf_offset_t PooledFileInputSource::size() {
  return size_;  // known since the constructor opened the file
}

void PooledFileInputSource::seek(qpdf_offset_t offset, int whence) {
  switch (whence) {
    case SEEK_SET:
      pos_ = offset;
      break;
    case SEEK_CUR:
      pos_ += offset;
      break;
    case SEEK_END:
      pos_ = size() + offset;
      break;
    default:
      throw PdfError("内部エラー: 読む位置の基準が不正です");
  }
  if (pos_ < 0) throw PdfError("「" + filename_ + "」の先頭より前は読めません");
}

size_t PooledFileInputSource::read(char* buffer, size_t length) {
  const std::lock_guard guard(pool_.lock_);
  return readLocked(buffer, length);
}

size_t PooledFileInputSource::readLocked(char* buffer, size_t length) {
  last_offset = pos_;
  size_t done = 0;
  while (done < length) {
    const qpdf_offset_t end = windowStart_ + qpdf_offset_t(windowLength_);
    if (pos_ >= windowStart_ && pos_ < end) {
      const size_t take = std::min(length - done, size_t(end - pos_));
      std::memcpy(buffer + done, window_ + (pos_ - windowStart_), take);
      done += take;
      pos_ += qpdf_offset_t(take);
      continue;
    }
    if (length - done >= kWindow) {  // large reads go straight to the caller
      const ssize_t n = ::pread(descriptor(), buffer + done, length - done, pos_);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw PdfError("「" + filename_ + "」を読めません", errno);
      if (n == 0) break;
      done += size_t(n);
      pos_ += n;
      continue;
    }
    const int fd = descriptor();  // may drop the window of a file it closes
    if (!window_) window_ = pool_.takeWindow();
    ssize_t n = 0;
    do {
      n = ::pread(fd, window_, kWindow, pos_);
    } while (n < 0 && errno == EINTR);
    if (n < 0) throw PdfError("「" + filename_ + "」を読めません", errno);
    windowLength_ = size_t(n);
    windowStart_ = pos_;
    if (n == 0) break;
  }
  // As qpdf's file source: a read that finds nothing puts the position,
  // and the last offset, at the end of the file.
  if (done == 0 && length > 0) {
    pos_ = size();
    last_offset = pos_;
  }
  return done;
}

void PooledFileInputSource::unreadCh(char) {
  if (pos_ > 0) --pos_;
}

qpdf_offset_t PooledFileInputSource::findAndSkipNextEOL() {
  // As qpdf's own file source: the offset of the next CR or LF, with the
  // position left after the run of CR and LF characters that follows it.
  char buf[4096];
  for (;;) {
    const qpdf_offset_t start = pos_;
    const size_t len = read(buf, sizeof(buf));
    if (len == 0) return pos_;
    const char* cr = static_cast<const char*>(std::memchr(buf, '\r', len));
    const char* lf = static_cast<const char*>(std::memchr(buf, '\n', len));
    const char* p = (cr && lf) ? std::min(cr, lf) : (cr ? cr : lf);
    if (!p) continue;
    const qpdf_offset_t result = start + (p - buf);
    pos_ = result + 1;
    char ch = 0;
    while (read(&ch, 1) == 1) {
      if (ch != '\r' && ch != '\n') {
        unreadCh(ch);
        break;
      }
    }
    return result;
  }
}

}  // namespace folvane::platform
