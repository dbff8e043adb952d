#include "FileVersion.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace folvane::platform {
namespace {

// A stat's time as nanoseconds since the epoch.
int64_t nanos(int64_t sec, int64_t nsec) {
  return sec * 1000000000 + nsec;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool writeAll(int fd, const char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= size_t(n);
  }
  return true;
}

}  // namespace

FileStamp FileStamp::Of(const struct stat& st) {
  return {uint64_t(st.st_dev),        uint64_t(st.st_ino),         int64_t(st.st_size),
          int64_t(st.st_mtim.tv_sec), int64_t(st.st_mtim.tv_nsec), int64_t(st.st_ctim.tv_sec),
          int64_t(st.st_ctim.tv_nsec)};
}

std::string FileVersion::text() const {
  char out[256];
  std::snprintf(out, sizeof out,
                "%" PRIu64 ":%" PRIu64 ":%" PRId64 ":%" PRId64 ":%" PRId64 ":%" PRId64 ":%" PRId64
                ":%" PRIu64,
                stamp.device, stamp.inode, stamp.size, stamp.mtimeSec, stamp.mtimeNsec,
                stamp.ctimeSec, stamp.ctimeNsec, digest);
  return out;
}

std::optional<FileVersion> FileVersion::FromText(const std::string& text) {
  FileVersion v;
  int used = 0;
  if (std::sscanf(text.c_str(),
                  "%" SCNu64 ":%" SCNu64 ":%" SCNd64 ":%" SCNd64 ":%" SCNd64 ":%" SCNd64 ":%" SCNd64
                  ":%" SCNu64 "%n",
                  &v.stamp.device, &v.stamp.inode, &v.stamp.size, &v.stamp.mtimeSec,
                  &v.stamp.mtimeNsec, &v.stamp.ctimeSec, &v.stamp.ctimeNsec, &v.digest,
                  &used) != 8 ||
      size_t(used) != text.size() || v.stamp.size < 0)
    return std::nullopt;
  return v;
}

uint64_t Digest(uint64_t digest, const char* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    digest ^= static_cast<unsigned char>(bytes[i]);
    digest *= 1099511628211ull;
  }
  return digest;
}

std::optional<uint64_t> DigestOf(int fd) {
  std::vector<char> buffer(1 << 20);
  uint64_t digest = kDigestStart;
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return digest;
    digest = Digest(digest, buffer.data(), size_t(n));
    at += n;
  }
}

Writers TakeReadLease(int fd) {
  // A lease that breaks is told by a signal, SIGIO unless set: SIGURG,
  // which nobody here handles, is ignored by default.
  ::fcntl(fd, F_SETSIG, SIGURG);
  if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) return Writers::None;
  return errno == EAGAIN ? Writers::Present : Writers::Unknown;
}

bool LeaseHeld(int fd) {
  return ::fcntl(fd, F_GETLEASE) == F_RDLCK;
}

bool Settled(const struct stat& st, int seconds) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const int64_t last = std::max(nanos(st.st_mtim.tv_sec, st.st_mtim.tv_nsec),
                                nanos(st.st_ctim.tv_sec, st.st_ctim.tv_nsec));
  return nanos(now.tv_sec, now.tv_nsec) - last >= int64_t(seconds) * 1000000000;
}

Snapshot TakeSnapshot(const std::string& source, const std::string& copy) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kWriterWaitMs);
  const auto waitAWhile = [] { std::this_thread::sleep_for(std::chrono::milliseconds(250)); };
  for (;;) {
    // Not blocked by another's lease; a FIFO named .doc does not hang us.
    const Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat before {};
    if (in.get() < 0 || ::fstat(in.get(), &before) != 0 || !S_ISREG(before.st_mode))
      return {{}, "unreadable"};
    // Written by someone just now, and still open to them: a copy arriving
    // or a save under way. Without leases, only the times can tell.
    const Writers writers = TakeReadLease(in.get());
    if (writers == Writers::None) ::fcntl(in.get(), F_SETLEASE, F_UNLCK);
    const bool writing = writers != Writers::None && !Settled(before, kSettleSeconds);
    bool steady = false;
    FileVersion version;
    if (!writing) {
      ::unlink(copy.c_str());
      const Fd out(::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
      if (out.get() < 0) return {{}, "unreadable"};
      std::vector<char> buffer(1 << 20);
      uint64_t digest = kDigestStart;
      bool ok = true;
      for (;;) {
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        digest = Digest(digest, buffer.data(), size_t(n));
        if (!writeAll(out.get(), buffer.data(), size_t(n))) {
          ok = false;
          break;
        }
      }
      if (!ok) {
        ::unlink(copy.c_str());
        return {{}, "unreadable"};
      }
      struct stat after {};
      struct stat named {};
      steady = ::fstat(in.get(), &after) == 0 && ::stat(source.c_str(), &named) == 0 &&
               FileStamp::Of(after) == FileStamp::Of(before) &&
               FileStamp::Of(named) == FileStamp::Of(before);
      version = {FileStamp::Of(before), digest};
    }
    if (steady) return {version, ""};
    ::unlink(copy.c_str());
    if (Clock::now() >= deadline) return {{}, "busy"};
    waitAWhile();
  }
}

}  // namespace folvane::platform
