#include "PooledFileInputSource.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <list>
#include <stdexcept>

namespace folvane::platform {
namespace {

// Sources holding an open file, the most recently read first.
std::list<PooledFileInputSource*>& openSources() {
  static std::list<PooledFileInputSource*> sources;
  return sources;
}

}  // namespace

PooledFileInputSource::PooledFileInputSource(std::string filename)
    : filename_(std::move(filename)) {
  descriptor();  // fails here, as a plain file source does, when there is no file
}

PooledFileInputSource::~PooledFileInputSource() {
  close();
}

void PooledFileInputSource::close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  openSources().remove(this);
  window_.reset();  // a closed file holds no memory either
  windowLength_ = 0;
}

int PooledFileInputSource::descriptor() {
  auto& open = openSources();
  if (fd_ >= 0) {
    if (open.front() != this)
      open.splice(open.begin(), open, std::find(open.begin(), open.end(), this));
    return fd_;
  }
  while (open.size() >= kOpenFiles) open.back()->close();
  fd_ = ::open(filename_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error(filename_ + ": " + std::strerror(errno));
  open.push_front(this);
  return fd_;
}

qpdf_offset_t PooledFileInputSource::size() {
  if (size_ < 0) {
    struct stat st {};
    if (::fstat(descriptor(), &st) != 0) throw std::runtime_error(filename_ + ": cannot stat");
    size_ = st.st_size;
  }
  return size_;
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
      throw std::logic_error("bad whence");
  }
  if (pos_ < 0) throw std::runtime_error(filename_ + ": seek before the start");
}

size_t PooledFileInputSource::read(char* buffer, size_t length) {
  last_offset = pos_;
  size_t done = 0;
  while (done < length) {
    const qpdf_offset_t end = windowStart_ + qpdf_offset_t(windowLength_);
    if (pos_ >= windowStart_ && pos_ < end) {
      const size_t take = std::min(length - done, size_t(end - pos_));
      std::memcpy(buffer + done, window_.get() + (pos_ - windowStart_), take);
      done += take;
      pos_ += qpdf_offset_t(take);
      continue;
    }
    if (length - done >= kWindow) {  // large reads go straight to the caller
      const ssize_t n = ::pread(descriptor(), buffer + done, length - done, pos_);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw std::runtime_error(filename_ + ": " + std::strerror(errno));
      if (n == 0) break;
      done += size_t(n);
      pos_ += n;
      continue;
    }
    const int fd = descriptor();  // may drop the window of a file it closes
    if (!window_) window_.reset(new char[kWindow]);
    ssize_t n = 0;
    do {
      n = ::pread(fd, window_.get(), kWindow, pos_);
    } while (n < 0 && errno == EINTR);
    if (n < 0) throw std::runtime_error(filename_ + ": " + std::strerror(errno));
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
