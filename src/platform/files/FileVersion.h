#pragma once

// Which version of a user's file a PDF was made from, and whether the file
// is still that version. Plain C++ and POSIX: the office helper process,
// which has no Qt, takes versions with the same code that checks them.

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>

namespace folvane::platform {

// A file as it is now: where it lives (device, inode), its size, and its
// modification and change times. Two stamps differ when a name leads to
// another file or the file changed; the change time also catches a rewrite
// whose modification time was put back.
struct FileStamp {
  uint64_t device = 0, inode = 0;
  int64_t size = -1;  // -1: no file
  int64_t mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;
  bool operator==(const FileStamp&) const = default;
  static FileStamp Of(const struct stat& st);
};

// One version of a file: its stamp and a digest of its bytes. The digest
// tells a change that coarse file times (FAT keeps 2 s) and an unchanged
// size would hide.
struct FileVersion {
  FileStamp stamp;
  uint64_t digest = 0;
  bool known() const { return stamp.size >= 0; }
  bool operator==(const FileVersion&) const = default;
  // Nine decimal fields separated by ':', as the helper answers them.
  std::string text() const;
  static std::optional<FileVersion> FromText(const std::string& text);
};

// The digest of bytes, continued from `digest` (FNV-1a, 64 bits).
inline constexpr uint64_t kDigestStart = 14695981039346656037ull;
uint64_t Digest(uint64_t digest, const char* bytes, size_t size);

// The digest of the file open as `fd`, read from its start; nullopt when
// it cannot be read.
std::optional<uint64_t> DigestOf(int fd);

// Whether another process has the file open for writing. A read lease is
// granted only while nobody writes: when one is granted, it is kept until
// `fd` is closed or LeaseHeld says it broke. Unknown on file systems
// without leases and for files of another user.
enum class Writers { None, Present, Unknown };
Writers TakeReadLease(int fd);
// Whether the lease TakeReadLease gave is still whole: nobody opened the
// file for writing since.
bool LeaseHeld(int fd);

// Whether the file was last changed at least `seconds` ago: one being
// written changes every moment.
bool Settled(const struct stat& st, int seconds);

// How long a file being written is waited for, and how long it must have
// been left alone to count as written.
inline constexpr int kSettleSeconds = 2;
inline constexpr int kWriterWaitMs = 6000;

// A private copy of `source`, made at `copy` (which must not exist), and the
// version it holds. The copy is taken only while the file stands still: a
// file changed within the last seconds by a process that still has it open
// (a copy arriving) is waited for within kWriterWaitMs. `error` is "busy"
// when it could not be had whole in that time, "unreadable" when the file
// cannot be read, "" on success.
struct Snapshot {
  FileVersion version;
  std::string error;
};
Snapshot TakeSnapshot(const std::string& source, const std::string& copy);

}  // namespace folvane::platform
