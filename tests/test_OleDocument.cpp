#include <QTest>
#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/office/helper/OleDocument.h"

using folvane::platform::WordDocumentEncrypted;

namespace {

constexpr uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF;

void put16(std::string& b, size_t at, uint16_t v) {
  b[at] = char(v & 0xFF);
  b[at + 1] = char(v >> 8);
}
void put32(std::string& b, size_t at, uint32_t v) {
  put16(b, at, uint16_t(v));
  put16(b, at + 2, uint16_t(v >> 16));
}

// The start of a WordDocument stream: a FIB with these flags at 0x0A.
std::string Fib(uint16_t flags, size_t size = 5000, uint16_t ident = 0xA5EC) {
  std::string b(size, '\x55');
  put16(b, 0, ident);
  put16(b, 2, 0x00C1);
  put16(b, 0x0A, flags);
  return b;
}

// A compound file laid out as writers do: the streams, the mini stream (root
// chain), the mini FAT, the directory, then the FAT and the DIFAT. Small
// streams go to the mini stream. Remembers where it put each chain, so tests
// can damage it.
class Compound {
 public:
  explicit Compound(int shift = 9) : shift_(shift), size_(size_t(1) << shift) {}
  Compound& add(std::u16string name, std::string data) {
    streams_.push_back({std::move(name), std::move(data)});
    return *this;
  }
  bool backward = false;  // each chain runs from the end of its sectors to the start
  std::map<std::u16string, std::vector<uint32_t>> chains;  // also u"<root>", u"<dir>"
  std::vector<uint32_t> fatSectors;
  uint32_t difatStart = kEnd;

  size_t at(uint32_t sector) const { return (sector + 1) * size_; }
  void link(std::string& file, uint32_t from, uint32_t to) const {
    put32(file, at(fatSectors[from / (size_ / 4)]) + from % (size_ / 4) * 4, to);
  }

  std::string build() {
    const size_t per = size_ / 4;
    std::string mini, miniFat;
    std::vector<uint32_t> start(streams_.size(), kEnd);
    for (size_t i = 0; i < streams_.size(); ++i) {
      const std::string& d = streams_[i].second;
      if (d.size() >= 4096 || d.empty()) continue;
      start[i] = uint32_t(mini.size() / 64);
      const size_t n = (d.size() + 63) / 64;
      for (size_t k = 0; k < n; ++k) {
        miniFat.resize(miniFat.size() + 4);
        put32(miniFat, miniFat.size() - 4, k + 1 < n ? start[i] + uint32_t(k) + 1 : kEnd);
      }
      mini += d + std::string(n * 64 - d.size(), '\0');
    }
    const size_t entries = streams_.size() + 1;
    std::string dir(((entries * 128 + size_ - 1) / size_) * size_, '\0');
    auto sectorsOf = [&](size_t bytes) { return (bytes + size_ - 1) / size_; };
    size_t data = sectorsOf(mini.size()) + sectorsOf(miniFat.size()) + dir.size() / size_;
    for (const auto& s : streams_)
      if (s.second.size() >= 4096) data += sectorsOf(s.second.size());
    size_t fats = 1, difats = 0;
    for (;; ++fats) {
      difats = fats > 109 ? (fats - 109 + per - 2) / (per - 1) : 0;
      if (fats * per >= data + fats + difats) break;
    }
    std::vector<uint32_t> fat(fats * per, kFree);
    std::string body((data + fats + difats) * size_, '\0');
    uint32_t next = 0;
    auto place = [&](const std::string& content) {
      std::vector<uint32_t> chain;
      for (size_t k = 0; k < sectorsOf(content.size()); ++k) chain.push_back(next + uint32_t(k));
      if (backward) std::reverse(chain.begin(), chain.end());
      for (size_t k = 0; k < chain.size(); ++k) {
        fat[chain[k]] = k + 1 < chain.size() ? chain[k + 1] : kEnd;
        const std::string piece = content.substr(k * size_, size_);
        body.replace(chain[k] * size_, piece.size(), piece);
      }
      next += uint32_t(chain.size());
      return chain;
    };
    for (size_t i = 0; i < streams_.size(); ++i)
      if (streams_[i].second.size() >= 4096) {
        chains[streams_[i].first] = place(streams_[i].second);
        start[i] = chains[streams_[i].first].front();
      }
    chains[u"<root>"] = place(mini);
    const auto miniFatChain = place(miniFat);

    // The root's children as a sorted tree, as writers keep it.
    auto entry = [&](size_t i, std::u16string_view name, int type, uint32_t first, size_t bytes) {
      const size_t e = i * 128;
      for (size_t k = 0; k < name.size(); ++k) put16(dir, e + 2 * k, name[k]);
      put16(dir, e + 0x40, uint16_t((name.size() + 1) * 2));
      dir[e + 0x42] = char(type);
      dir[e + 0x43] = 1;
      for (size_t f : {0x44, 0x48, 0x4C}) put32(dir, e + f, kFree);
      put32(dir, e + 0x74, first);
      put32(dir, e + 0x78, uint32_t(bytes));
    };
    for (size_t i = entries; i < dir.size() / 128; ++i) entry(i, u"", 0, 0, 0);
    entry(0, u"Root Entry", 5, chains[u"<root>"].empty() ? kEnd : chains[u"<root>"][0],
          mini.size());
    std::vector<size_t> order(streams_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto key = [&](size_t i) {
      std::u16string n = streams_[i].first;
      for (auto& c : n) c = c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
      return std::make_pair(n.size(), n);
    };
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return key(a) < key(b); });
    auto tree = [&](auto& self, size_t lo, size_t hi) -> uint32_t {
      if (lo >= hi) return kFree;
      const size_t mid = (lo + hi) / 2;
      const size_t e = (order[mid] + 1) * 128;
      put32(dir, e + 0x44, self(self, lo, mid));
      put32(dir, e + 0x48, self(self, mid + 1, hi));
      return uint32_t(order[mid] + 1);
    };
    for (size_t i = 0; i < streams_.size(); ++i)
      entry(i + 1, streams_[i].first, 2, start[i], streams_[i].second.size());
    put32(dir, 0x4C, tree(tree, 0, order.size()));
    chains[u"<dir>"] = place(dir);

    for (size_t k = 0; k < fats; ++k) fatSectors.push_back(next++);
    for (uint32_t s : fatSectors) fat[s] = 0xFFFFFFFD;
    std::vector<uint32_t> difat;
    for (size_t k = 0; k < difats; ++k) difat.push_back(next++);
    for (uint32_t s : difat) fat[s] = 0xFFFFFFFC;
    for (size_t k = 0; k < fat.size(); ++k)
      put32(body, fatSectors[k / per] * size_ + k % per * 4, fat[k]);
    for (size_t k = 0; k < difat.size(); ++k) {
      for (size_t slot = 0; slot + 1 < per; ++slot) {
        const size_t f = 109 + k * (per - 1) + slot;
        put32(body, difat[k] * size_ + slot * 4, f < fats ? fatSectors[f] : kFree);
      }
      put32(body, difat[k] * size_ + size_ - 4, k + 1 < difat.size() ? difat[k + 1] : kEnd);
    }
    difatStart = difat.empty() ? kEnd : difat[0];

    std::string head(size_, '\0');
    head.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    put16(head, 0x18, 0x3E);
    put16(head, 0x1A, shift_ == 12 ? 4 : 3);
    put16(head, 0x1C, 0xFFFE);
    put16(head, 0x1E, uint16_t(shift_));
    put16(head, 0x20, 6);
    put32(head, 0x28, shift_ == 12 ? uint32_t(dir.size() / size_) : 0);
    put32(head, 0x2C, uint32_t(fats));
    put32(head, 0x30, chains[u"<dir>"][0]);
    put32(head, 0x38, 4096);
    put32(head, 0x3C, miniFatChain.empty() ? kEnd : miniFatChain[0]);
    put32(head, 0x40, uint32_t(miniFatChain.size()));
    put32(head, 0x44, difatStart);
    put32(head, 0x48, uint32_t(difats));
    for (size_t k = 0; k < 109; ++k) put32(head, 0x4C + 4 * k, k < fats ? fatSectors[k] : kFree);
    return head + body;
  }

 private:
  int shift_;
  size_t size_;
  std::vector<std::pair<std::u16string, std::string>> streams_;
};

// Distinct names, without case too: DataAA, DataAB...
std::u16string Named(std::u16string base, int i) {
  return base + char16_t(u'A' + i / 26) + char16_t(u'A' + i % 26);
}

// A Word file's usual streams around the given WordDocument.
Compound WordFile(std::string wordDocument, int shift = 9) {
  Compound c(shift);
  c.add(u"1Table", std::string(1800, 't'))
      .add(u"\x05SummaryInformation", std::string(172, 's'))
      .add(u"WordDocument", std::move(wordDocument))
      .add(u"CompObj", std::string(106, 'c'));
  return c;
}

}  // namespace

class TestOleDocument : public QObject {
  Q_OBJECT
 private slots:
  void fibFlagsDecide() {
    struct Case {
      uint16_t flags, ident;
      bool encrypted;
    };
    // 0x12F0 and 0x13F0: LibreOffice's own plain and encrypted files.
    for (const Case c :
         {Case{0x0000, 0xA5EC, false}, Case{0x12F0, 0xA5EC, false}, Case{0x0100, 0xA5EC, true},
          Case{0x13F0, 0xA5EC, true}, Case{0x8100, 0xA5EC, true},  // XOR obfuscated
          Case{0x8000, 0xA5EC, false},                             // obfuscated means nothing alone
          Case{0x0100, 0xA5DB, false}, Case{0x0100, 0x0000, false}})
      // In normal sectors from 4096 bytes on, in the mini stream below.
      for (size_t size : {size_t(5000), size_t(4096), size_t(4095), size_t(1000)}) {
        const std::string file = WordFile(Fib(c.flags, size, c.ident)).build();
        QVERIFY2(WordDocumentEncrypted(file) == c.encrypted,
                 qPrintable(QStringLiteral("flags %1 ident %2 size %3")
                                .arg(c.flags, 0, 16)
                                .arg(c.ident, 0, 16)
                                .arg(size)));
      }
  }

  void findsTheStreamWhereverItLies() {
    for (int shift : {9, 12})
      for (bool backward : {false, true})
        for (size_t size : {size_t(5000), size_t(3000)}) {
          // Enough neighbours for a directory of several sectors, and a
          // small WordDocument past the mini stream's first sector.
          Compound c(shift);
          c.add(u"1Table", std::string(4000, 't'));
          for (int i = 0; i < 40; ++i) c.add(Named(u"Data", i), "x");
          c.add(u"WordDocument", Fib(0x0100, size)).backward = backward;
          const std::string file = c.build();
          QVERIFY(c.chains[u"<dir>"].size() > 1 && c.chains[u"<root>"].size() > 1);
          QVERIFY(WordDocumentEncrypted(file));
        }
    {
      // Version 3 files may hold anything in a size's upper half.
      Compound c = WordFile(Fib(0x0100, 1000));
      std::string file = c.build();
      put32(file, c.at(c.chains[u"<dir>"][0]) + 3 * 128 + 0x7C, 0xDEADBEEF);
      QVERIFY(WordDocumentEncrypted(file));
    }
    // Names compare without case; the name must be whole.
    QVERIFY(
        WordDocumentEncrypted(Compound().add(u"wordDOCUMENT", Fib(0x0100)).add(u"x", "y").build()));
    QVERIFY(!WordDocumentEncrypted(Compound().add(u"WordDocumen", Fib(0x0100)).build()));
    QVERIFY(!WordDocumentEncrypted(Compound().add(u"WordDocument2", Fib(0x0100)).build()));
  }

  void followsTheDifatPastTheHeader() {
    // Past 109 FAT sectors (about 7 MB at 512 bytes): the directory's links
    // then lie in FAT sectors only the DIFAT names.
    Compound c;
    c.add(u"Data", std::string(7500000, 'd')).add(u"WordDocument", Fib(0x0100, 800));
    for (int i = 0; i < 8; ++i) c.add(Named(u"More", i), "x");
    std::string file = c.build();
    QVERIFY(c.fatSectors.size() > 109);
    QVERIFY(c.chains[u"<dir>"].front() / 128 >= 109);
    QVERIFY(WordDocumentEncrypted(file));
    // Read only as far as the FAT needs: a DIFAT sector looping on itself
    // is never stepped along.
    put32(file, c.at(c.difatStart) + 512 - 4, c.difatStart);
    QVERIFY(WordDocumentEncrypted(file));
    // More FAT sectors claimed than the DIFAT names.
    put32(file, 0x2C, uint32_t(c.fatSectors.size() + 200));
    QVERIFY(!WordDocumentEncrypted(file));
  }

  void damagedFilesAreNotKnownEncrypted() {
    Compound c = WordFile(Fib(0x0100, 3000));
    for (int i = 0; i < 10; ++i) c.add(Named(u"Data", i), "x");
    const std::string good = c.build();
    QVERIFY(WordDocumentEncrypted(good));
    const auto dir = c.chains[u"<dir>"], root = c.chains[u"<root>"];
    QVERIFY(dir.size() >= 3 && root.size() >= 2);
    auto damaged = [&](auto change) {
      std::string file = good;
      change(file);
      return WordDocumentEncrypted(file);
    };

    // Cut anywhere: the FAT comes last, so every cut loses some of it.
    for (size_t cut = 0; cut < good.size(); cut += 61)
      QVERIFY2(!WordDocumentEncrypted(good.substr(0, cut)), qPrintable(QString::number(cut)));
    QVERIFY(!WordDocumentEncrypted(""));
    QVERIFY(!WordDocumentEncrypted(std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") +
                                   std::string(4000, '\0')));
    QVERIFY(!WordDocumentEncrypted(std::string(4096, '\xFF')));
    QVERIFY(!WordDocumentEncrypted("PK\x03\x04 not a compound file"));
    std::mt19937 random(7);
    for (int i = 0; i < 50; ++i) {  // a sound header over garbage
      std::string file = good.substr(0, 512);
      for (int k = 0; k < 8192; ++k) file += char(random());
      QVERIFY(!WordDocumentEncrypted(file));
    }

    // Chains that loop or leave the file.
    QVERIFY(!damaged([&](std::string& f) { c.link(f, dir.back(), dir.front()); }));
    QVERIFY(!damaged([&](std::string& f) { c.link(f, dir[0], dir[0]); }));
    QVERIFY(!damaged([&](std::string& f) { c.link(f, dir[0], 0x7FFFFFFF); }));
    QVERIFY(!damaged([&](std::string& f) { c.link(f, root[0], 0xFFFFFFF0); }));
    QVERIFY(!damaged([&](std::string& f) { put32(f, 0x30, uint32_t(good.size() / 512)); }));
    {
      // A root chain looping back before WordDocument's mini sector must not
      // lead into the first sector, where 1Table begins like an encrypted FIB.
      Compound decoy;
      decoy.add(u"1Table", Fib(0x0100, 1800))
          .add(u"\x05SummaryInformation", std::string(172, 's'))
          .add(u"WordDocument", Fib(0x0000, 3000));
      std::string file = decoy.build();
      QVERIFY(!WordDocumentEncrypted(file));
      const auto chain = decoy.chains[u"<root>"];
      decoy.link(file, chain[3], chain[0]);  // WordDocument starts in the fifth
      QVERIFY(!WordDocumentEncrypted(file));
    }

    // Header fields out of range.
    QVERIFY(!damaged([&](std::string& f) { put32(f, 0x2C, 0xFFFFFFFF); }));
    QVERIFY(!damaged([&](std::string& f) { put16(f, 0x1E, 30); }));
    QVERIFY(!damaged([&](std::string& f) { put16(f, 0x1C, 0xFEFF); }));

    // The directory: siblings looping back to the top of the tree, and a
    // WordDocument entry out of place.
    const size_t entries = c.at(dir[0]);
    const size_t word = entries + 3 * 128;  // the third stream added
    QCOMPARE(f16(good, word), uint16_t(u'W'));
    auto loopLeaves = [&](std::string& f) {
      const uint32_t top = f32(f, entries + 0x4C);
      for (size_t e = 1; e < 15; ++e) {
        const size_t at = entryAt(c, dir, e);
        if (f32(f, at + 0x44) == kFree && f32(f, at + 0x48) == kFree) put32(f, at + 0x44, top);
      }
    };
    QVERIFY(damaged(loopLeaves));  // every entry still reachable
    QVERIFY(!damaged([&](std::string& f) {
      loopLeaves(f);
      put16(f, word, u'X');
    }));
    QVERIFY(!damaged([&](std::string& f) { put32(f, word + 0x74, 0x00FFFFFF); }));  // mini
    // The mini stream said to end where WordDocument begins (at 2048).
    QVERIFY(!damaged([&](std::string& f) { put32(f, entries + 0x78, 2048); }));
    QVERIFY(!damaged([&](std::string& f) { put32(f, word + 0x78, 11); }));  // shorter than a FIB
    QVERIFY(!damaged([&](std::string& f) {
      put32(f, word + 0x78, 5000);  // normal sectors, starting past the end
      put32(f, word + 0x74, uint32_t(good.size() / 512));
    }));
    QVERIFY(!damaged([&](std::string& f) { put16(f, word + 0x40, 0xFFFF); }));
    QVERIFY(!damaged([&](std::string& f) { f[word + 0x42] = 1; }));     // a storage, not a stream
    QVERIFY(!damaged([&](std::string& f) { f[entries + 0x42] = 1; }));  // no root
  }

 private:
  static uint16_t f16(const std::string& b, size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
  }
  static uint32_t f32(const std::string& b, size_t at) {
    return f16(b, at) | uint32_t(f16(b, at + 2)) << 16;
  }
  static size_t entryAt(const Compound& c, const std::vector<uint32_t>& dir, size_t i) {
    return c.at(dir[i / 4]) + i % 4 * 128;
  }
};

QTEST_GUILESS_MAIN(TestOleDocument)
#include "test_OleDocument.moc"
