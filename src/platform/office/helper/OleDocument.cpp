#include "OleDocument.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace folvane::platform {
namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr size_t kEntrySize = 128;
constexpr size_t kMiniSectorSize = 64;
constexpr size_t kHeaderFatSlots = 109;
constexpr uint8_t kStream = 2, kRoot = 5;

// Little-endian fields; every caller has checked that the bytes are there.
uint16_t le16(std::string_view s, size_t at) {
  return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8);
}
uint32_t le32(std::string_view s, size_t at) {
  return uint32_t(le16(s, at)) | uint32_t(le16(s, at + 2)) << 16;
}

char16_t upper(char16_t c) {
  return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
}

// A compound file read in place: its FAT, its directory and the first bytes
// of a stream, which is all the FIB needs.
class Compound {
 public:
  explicit Compound(std::string_view bytes) : bytes_(bytes) { ok_ = open(); }
  bool ok() const { return ok_; }

  // The first `n` bytes (n <= 64: they lie in one sector, normal or mini) of
  // the stream `name` in the root storage; nothing when there is no such
  // stream or it is shorter.
  std::optional<std::string_view> head(std::u16string_view name, size_t n) const {
    const auto e = find(name);
    if (!e || n > kMiniSectorSize || size(*e) < n) return {};
    const uint32_t start = le32(*e, 0x74);
    if (size(*e) >= cutoff_) {
      const auto s = sector(start);
      return s ? std::optional(s->substr(0, n)) : std::nullopt;
    }
    // In the mini stream, which is the root entry's stream in normal sectors.
    const std::string_view root = entry(0);
    const uint64_t offset = uint64_t(start) * kMiniSectorSize;
    if (offset + n > size(root)) return {};
    const uint64_t index = offset / sectorSize_;
    if (index >= fat_.size()) return {};
    const auto chain = chainOf(le32(root, 0x74), size_t(index) + 1);
    if (!chain || chain->size() != index + 1) return {};
    return sector(chain->back())->substr(size_t(offset % sectorSize_), n);
  }

 private:
  bool open() {
    if (bytes_.size() < 512 || bytes_.substr(0, 8) != "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")
      return false;
    const uint16_t shift = le16(bytes_, 0x1E);
    if (le16(bytes_, 0x1C) != 0xFFFE || (shift != 9 && shift != 12) || le16(bytes_, 0x20) != 6)
      return false;
    sectorSize_ = size_t(1) << shift;
    version4_ = shift == 12;
    // The header fills sector "-1"; a sector cut short by the file's end is none.
    sectors_ = bytes_.size() / sectorSize_ > 0 ? bytes_.size() / sectorSize_ - 1 : 0;
    cutoff_ = le32(bytes_, 0x38);

    // The FAT's own sectors: 109 named in the header, the rest in the DIFAT
    // chain (the last slot of each DIFAT sector names the next one). Every
    // DIFAT sector read adds slots, so even a looping chain ends.
    const uint32_t fatSectors = le32(bytes_, 0x2C);
    if (fatSectors > sectors_) return false;
    std::vector<uint32_t> fatAt;
    for (size_t i = 0; i < kHeaderFatSlots && fatAt.size() < fatSectors; ++i)
      fatAt.push_back(le32(bytes_, 0x4C + 4 * i));
    for (uint32_t difat = le32(bytes_, 0x44); fatAt.size() < fatSectors;) {
      const auto s = sector(difat);
      if (!s) return false;
      for (size_t i = 0; i + 1 < sectorSize_ / 4 && fatAt.size() < fatSectors; ++i)
        fatAt.push_back(le32(*s, 4 * i));
      difat = le32(*s, sectorSize_ - 4);
    }
    // Copied: 4 bytes per sector, and no more FAT sectors than the file holds.
    for (uint32_t at : fatAt) {
      const auto s = sector(at);
      if (!s) return false;
      for (size_t i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(le32(*s, 4 * i));
    }

    const auto directory = chainOf(le32(bytes_, 0x30), SIZE_MAX);
    if (!directory || directory->empty()) return false;
    directory_ = *directory;
    entries_ = directory_.size() * (sectorSize_ / kEntrySize);
    return uint8_t(entry(0)[0x42]) == kRoot;
  }

  std::optional<std::string_view> sector(uint32_t n) const {
    if (n >= sectors_) return {};
    return bytes_.substr((size_t(n) + 1) * sectorSize_, sectorSize_);
  }

  // The first `limit` sectors of the chain from `start`; nothing when it
  // leaves the file or comes back to a sector.
  std::optional<std::vector<uint32_t>> chainOf(uint32_t start, size_t limit) const {
    std::vector<uint32_t> chain;
    std::vector<bool> seen(fat_.size());
    for (uint32_t at = start; at != kEndOfChain && chain.size() < limit; at = fat_[at]) {
      if (at >= fat_.size() || at >= sectors_ || seen[at]) return {};
      seen[at] = true;
      chain.push_back(at);
    }
    return chain;
  }

  std::string_view entry(size_t i) const {
    const size_t perSector = sectorSize_ / kEntrySize;
    return sector(directory_[i / perSector])->substr(i % perSector * kEntrySize, kEntrySize);
  }

  uint64_t size(std::string_view e) const {
    // Version 3 files may hold anything in the upper half.
    return le32(e, 0x78) | (version4_ ? uint64_t(le32(e, 0x7C)) << 32 : 0);
  }

  static bool named(std::string_view e, std::u16string_view name) {
    // The length counts the terminating NUL, in bytes.
    if (le16(e, 0x40) != (name.size() + 1) * 2) return false;
    for (size_t i = 0; i < name.size(); ++i)
      if (upper(char16_t(le16(e, 2 * i))) != upper(name[i])) return false;
    return true;
  }

  // The root storage's children are a tree of siblings; walked whole, since
  // not every writer keeps it sorted, and each entry visited once.
  std::optional<std::string_view> find(std::u16string_view name) const {
    std::vector<bool> seen(entries_);
    std::vector<uint32_t> todo{le32(entry(0), 0x4C)};
    while (!todo.empty()) {
      const uint32_t i = todo.back();
      todo.pop_back();
      if (i >= entries_ || seen[i]) continue;
      seen[i] = true;
      const std::string_view e = entry(i);
      if (uint8_t(e[0x42]) == kStream && named(e, name)) return e;
      todo.push_back(le32(e, 0x44));
      todo.push_back(le32(e, 0x48));
    }
    return {};
  }

  std::string_view bytes_;
  bool ok_ = false;
  bool version4_ = false;
  size_t sectorSize_ = 512;
  size_t sectors_ = 0;
  uint32_t cutoff_ = 4096;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> directory_;
  size_t entries_ = 0;
};

}  // namespace

bool WordDocumentEncrypted(const std::string& bytes) {
  const Compound file(bytes);
  if (!file.ok()) return false;
  const auto fib = file.head(u"WordDocument", 12);
  return fib && le16(*fib, 0) == 0xA5EC && (le16(*fib, 0x0A) & 0x0100) != 0;
}

}  // namespace folvane::platform
