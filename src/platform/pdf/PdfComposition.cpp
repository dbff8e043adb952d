#include "PdfComposition.h"

#include <fcntl.h>
#include <unistd.h>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFSystemError.hh>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <deque>
#include <random>
#include <set>
#include <stdexcept>
#include <tuple>
#include <unordered_map>

namespace folvane::platform {
namespace {

constexpr int kOutlineDepth = 100;
constexpr long long kHeldStreamBytes = 64 * 1024;

void appendNumber(std::string& out, long long n) {
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, n).ptr;
  out.append(text, end);
}

void appendRef(std::string& out, int number) {
  appendNumber(out, number);
  out += " 0 R";
}

// An outline entry's links to its parent and its neighbours (0: none).
void appendLinks(std::string& out, int parent, int prev, int next) {
  out += "/Parent ";
  appendRef(out, parent);
  if (prev != 0) {
    out += "/Prev ";
    appendRef(out, prev);
  }
  if (next != 0) {
    out += "/Next ";
    appendRef(out, next);
  }
}

// A name as it is written: characters other than the regular ones, and
// the number sign, as #xx. qpdf holds a number sign that began no #xx in
// its file as a null character.
void appendName(std::string& out, const std::string& name) {
  out += '/';
  for (size_t i = 1; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == 0) c = '#';
    if (c < '!' || c > '~' || std::strchr("#()<>[]{}/%", c)) {
      static constexpr char hex[] = "0123456789abcdef";
      out += '#';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += char(c);
    }
  }
}

// A named destination turned into the explicit one it stands for.
QPDFObjectHandle explicitDestination(QPDF& pdf, QPDFObjectHandle dest) {
  QPDFObjectHandle found;
  if (dest.isName()) {
    QPDFObjectHandle dests = pdf.getRoot().getKey("/Dests");
    if (dests.isDictionary()) found = dests.getKey(dest.getName());
  } else if (dest.isString()) {
    QPDFObjectHandle names = pdf.getRoot().getKey("/Names");
    if (names.isDictionary() && names.getKey("/Dests").isDictionary()) {
      QPDFNameTreeObjectHelper tree(names.getKey("/Dests"), pdf);
      tree.findObject(dest.getUTF8Value(), found);
    }
  } else {
    return dest;
  }
  if (found.isDictionary()) found = found.getKey("/D");
  return found.isArray() ? found : dest;
}

class AppendTo final : public Pipeline {
 public:
  explicit AppendTo(std::string& out) : Pipeline("composition", nullptr), out_(out) {}
  void write(unsigned char const* data, size_t len) override {
    out_.append(reinterpret_cast<const char*>(data), len);
  }
  void finish() override {}

 private:
  std::string& out_;
};

// A stream's data as it is stored: still compressed, but no longer encrypted.
void readRaw(QPDFObjectHandle stream, Pipeline& to) {
  bool filtered = false;
  if (!stream.pipeStreamData(&to, &filtered, 0, qpdf_dl_none, true))
    throw std::runtime_error("オブジェクト " + std::to_string(stream.getObjectID()) +
                             " のデータを読めません");
}

// Buffered writes to a file descriptor.
class Writer {
 public:
  explicit Writer(int fd) : fd_(fd) { buffer_.reserve(kBuffer); }
  uint64_t pos() const { return written_ + buffer_.size(); }
  void put(const char* data, size_t size) {
    if (buffer_.size() + size > kBuffer) flush();
    if (size >= kBuffer)
      writeAll(data, size);
    else
      buffer_.append(data, size);
  }
  void put(const std::string& text) { put(text.data(), text.size()); }
  void flush() {
    writeAll(buffer_.data(), buffer_.size());
    buffer_.clear();
  }

 private:
  static constexpr size_t kBuffer = 1 << 20;
  static constexpr uint64_t kSyncStep = 8 << 20;

  void writeAll(const char* data, size_t size) {
    while (size > 0) {
      const ssize_t done = ::write(fd_, data, size);
      if (done < 0) {
        if (errno == EINTR) continue;
        throw QPDFSystemError("write", errno);
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

  int fd_;
  std::string buffer_;
  uint64_t written_ = 0;
  uint64_t synced_ = 0;
};

class WriteTo final : public Pipeline {
 public:
  explicit WriteTo(Writer& out) : Pipeline("composition", nullptr), out_(out) {}
  void write(unsigned char const* data, size_t len) override {
    out_.put(reinterpret_cast<const char*>(data), len);
  }
  void finish() override {}

 private:
  Writer& out_;
};

}  // namespace

struct PdfComposition::TopEntry {
  int number;
  std::string keys;  // all but /Parent, /Prev and /Next
};

// The objects written so far, numbered from 1 in one sequence.
struct PdfComposition::Body {
  struct Chunk {
    std::string bytes;
    std::vector<std::pair<int, size_t>> objects;  // objects beginning in `bytes`, and where
    // A large stream's data, read from its document when written after `bytes`.
    std::shared_ptr<QPDF> keep;
    QPDFObjectHandle stream;
    int lengthNumber = 0;  // the object that then holds the data's length
  };
  struct Mark {
    size_t chunks, bytes, objects, held;
    int next;
  };

  explicit Body(size_t limit) : holdLimit(limit) {}

  // What an input's objects are numbered here, kept across its insertions
  // so that they share what they can, and links between pages put in by
  // different insertions hold.
  struct Source {
    std::weak_ptr<QPDF> pdf;
    std::unordered_map<uint64_t, int> numbers;
    // Pages referred to before they were put in, with the numbers kept for them.
    std::unordered_map<uint64_t, int> pendingPages;
  };

  std::vector<Chunk> chunks = std::vector<Chunk>(1);
  int next = 1;
  size_t held = 0;  // bytes of stream data in `chunks`
  const size_t holdLimit;
  std::unordered_map<const QPDF*, Source> sources;
  std::set<int> unfilled;  // numbers kept for pages never put in: written as null

  // The numbering of `pdf`'s objects; sources let go of are forgotten.
  Source& sourceOf(const std::shared_ptr<QPDF>& pdf) {
    std::erase_if(sources, [](const auto& entry) { return entry.second.pdf.expired(); });
    Source& source = sources[pdf.get()];
    source.pdf = pdf;
    return source;
  }

  int allocate() { return next++; }

  // Begins object `number`; the text to append it to.
  std::string& begin(int number) {
    Chunk& chunk = chunks.back();
    chunk.objects.emplace_back(number, chunk.bytes.size());
    appendNumber(chunk.bytes, number);
    chunk.bytes += " 0 obj\n";
    return chunk.bytes;
  }

  void defer(const std::shared_ptr<QPDF>& keep, QPDFObjectHandle stream, int lengthNumber) {
    Chunk& chunk = chunks.back();
    chunk.keep = keep;
    chunk.stream = stream;
    chunk.lengthNumber = lengthNumber;
    chunks.emplace_back();  // the stream's end follows its data when written
  }

  Mark mark() const {
    return {chunks.size(), chunks.back().bytes.size(), chunks.back().objects.size(), held, next};
  }
  void rollback(const Mark& mark) {
    chunks.resize(mark.chunks);
    Chunk& chunk = chunks.back();
    chunk.bytes.resize(mark.bytes);
    chunk.objects.resize(mark.objects);
    chunk.keep.reset();
    chunk.stream = QPDFObjectHandle();
    chunk.lengthNumber = 0;
    held = mark.held;
    next = mark.next;
  }
};

// Writes the objects one insertion needs, each once, under new numbers.
class PdfComposition::Copier {
 public:
  Copier(Body& body, const std::shared_ptr<QPDF>& pdf, Body::Source& source)
      : body_(body), pdf_(pdf), numbers_(source.numbers), pending_(source.pendingPages) {}

  // The page objects, under new numbers that every reference to them in
  // this insertion takes; their parent is `pageTree`.
  std::vector<int> pages(const std::vector<QPDFObjectHandle>& all, int first, int count,
                         int pageTree) {
    std::vector<int> numbers;
    for (int i = first; i < first + count; ++i) {
      const uint64_t page = key(all[size_t(i)]);
      const auto kept = pending_.find(page);
      if (kept != pending_.end()) {
        numbers.push_back(kept->second);
        body_.unfilled.erase(kept->second);
        pending_.erase(kept);
      } else {
        numbers.push_back(body_.allocate());
      }
      numbers_[page] = numbers.back();
    }
    for (int i = 0; i < count; ++i) {
      std::string& out = body_.begin(numbers[size_t(i)]);
      out += "<<";
      entries(all[size_t(first + i)], out, {"/Parent"});
      out += "/Parent ";
      appendRef(out, pageTree);
      out += ">>\nendobj\n";
    }
    return numbers;
  }

  // The source's outline, its first level into `top`; returns how many
  // entries it shows.
  int outline(std::vector<TopEntry>& top) {
    QPDFObjectHandle root = pdf_->getRoot().getKey("/Outlines");
    if (!root.isDictionary()) return 0;
    std::set<QPDFObjGen> seen;
    if (root.isIndirect()) seen.insert(root.getObjGen());
    return outline(root.getKey("/First"), 0, seen, 0, &top).visible;
  }

  // A value where it is written: an indirect object as its reference, the
  // object itself queued to be written.
  void value(QPDFObjectHandle h, std::string& out) {
    if (!h.isIndirect()) return direct(h, out);
    const int number = numberOf(h);
    if (number == 0)
      out += "null";
    else
      appendRef(out, number);
  }

  // A dictionary's entries but `skip`.
  void entries(QPDFObjectHandle dict, std::string& out, std::initializer_list<const char*> skip) {
    for (auto& [key, item] : dict.ditems()) {
      if (std::any_of(skip.begin(), skip.end(), [&](const char* s) { return key == s; })) continue;
      if (!item.isIndirect() && item.isNull()) continue;
      appendName(out, key);
      out += ' ';
      value(item, out);
    }
  }

  // The number `h` is written under; 0 when it is written as null.
  int numberOf(QPDFObjectHandle h) {
    const auto [at, fresh] = numbers_.try_emplace(key(h), 0);
    if (!fresh) return at->second;
    // A page not put in (yet), or the page tree, would bring every page of
    // the source along: a page gets a number kept for it, written as null
    // unless the page is put in later.
    if (h.isDictionary()) {
      QPDFObjectHandle type = h.getKey("/Type");
      if (type.isNameAndEquals("/Pages")) return 0;
      if (type.isNameAndEquals("/Page")) {
        at->second = body_.allocate();
        pending_[at->first] = at->second;
        body_.unfilled.insert(at->second);
        return at->second;
      }
    }
    const int number = body_.allocate();
    at->second = number;
    queue_.emplace_back(number, h);
    return number;
  }

  // Writes the objects queued, and those they refer to in turn.
  void drain() {
    while (!queue_.empty()) {
      auto [number, h] = queue_.front();
      queue_.pop_front();
      if (h.isStream()) {
        stream(number, h);
      } else {
        std::string& out = body_.begin(number);
        direct(h, out);
        out += "\nendobj\n";
      }
    }
  }

 private:
  struct Level {
    std::vector<int> numbers;
    int visible = 0;  // entries shown, children of open ones included
  };

  static uint64_t key(const QPDFObjectHandle& h) {
    const QPDFObjGen og = h.getObjGen();
    return uint64_t(uint32_t(og.getObj())) << 32 | uint32_t(og.getGen());
  }

  void direct(QPDFObjectHandle h, std::string& out) {
    switch (h.getTypeCode()) {
      case ::ot_array:
        out += '[';
        for (auto item : h.aitems()) {
          value(item, out);
          out += ' ';
        }
        out += ']';
        break;
      case ::ot_dictionary:
        out += "<<";
        entries(h, out, {});
        out += ">>";
        break;
      case ::ot_integer:
        appendNumber(out, h.getIntValue());
        break;
      case ::ot_name:
        appendName(out, h.getName());
        break;
      case ::ot_boolean:
      case ::ot_real:
      case ::ot_string:
        out += h.unparseResolved();
        break;
      default:  // null, and what is no object
        out += "null";
    }
  }

  void stream(int number, QPDFObjectHandle h) {
    QPDFObjectHandle dict = h.getDict();
    std::string keys;
    entries(dict, keys, {"/Length"});
    QPDFObjectHandle length = dict.getKey("/Length");
    if ((length.isInteger() && length.getIntValue() >= kHeldStreamBytes) ||
        body_.held >= body_.holdLimit) {
      const int lengthNumber = body_.allocate();
      std::string& out = body_.begin(number);
      out += "<<" + keys + "/Length ";
      appendRef(out, lengthNumber);
      out += ">>\nstream\n";
      body_.defer(pdf_, h, lengthNumber);
      return;
    }
    data_.clear();
    AppendTo sink(data_);
    readRaw(h, sink);
    std::string& out = body_.begin(number);
    out += "<<" + keys + "/Length ";
    appendNumber(out, (long long)data_.size());
    out += ">>\nstream\n";
    out += data_;
    out += "\nendstream\nendobj\n";
    body_.held += data_.size();
  }

  // Writes the entries from `item` on, following /Next and /First, under
  // `parent` (0: the first level, kept in `top`). An entry met a second time
  // (a loop, or one shared by two parents) ends its chain there.
  Level outline(QPDFObjectHandle item, int parent, std::set<QPDFObjGen>& seen, int depth,
                std::vector<TopEntry>* top) {
    struct Entry {
      QPDFObjectHandle item;
      int number;
      Level kids;
      bool open = false;
    };
    std::vector<Entry> found;
    Level level;
    for (; item.isDictionary(); item = item.getKey("/Next")) {
      if (item.isIndirect() && !seen.insert(item.getObjGen()).second) break;
      Entry entry{item, body_.allocate(), {}, false};
      ++level.visible;
      if (depth < kOutlineDepth) {
        entry.kids = outline(item.getKey("/First"), entry.number, seen, depth + 1, nullptr);
        QPDFObjectHandle count = item.getKey("/Count");
        entry.open = count.isInteger() && count.getIntValue() > 0;
        if (entry.open) level.visible += entry.kids.visible;
      }
      level.numbers.push_back(entry.number);
      found.push_back(std::move(entry));
    }
    for (size_t i = 0; i < found.size(); ++i) {
      const Entry& entry = found[i];
      std::string keys;
      entryKeys(entry.item, keys);
      if (!entry.kids.numbers.empty()) {
        keys += "/First ";
        appendRef(keys, entry.kids.numbers.front());
        keys += "/Last ";
        appendRef(keys, entry.kids.numbers.back());
        keys += "/Count ";
        appendNumber(keys, entry.open ? entry.kids.visible : -entry.kids.visible);
      }
      if (top) {
        top->push_back({entry.number, std::move(keys)});
        continue;
      }
      std::string& out = body_.begin(entry.number);
      out += "<<" + keys;
      appendLinks(out, parent, i > 0 ? found[i - 1].number : 0,
                  i + 1 < found.size() ? found[i + 1].number : 0);
      out += ">>\nendobj\n";
    }
    return level;
  }

  // An entry's own keys; a named destination, which means nothing in
  // another document, becomes the page it names.
  void entryKeys(QPDFObjectHandle item, std::string& out) {
    for (auto& [key, v] : item.ditems()) {
      if (key == "/Parent" || key == "/First" || key == "/Last" || key == "/Next" ||
          key == "/Prev" || key == "/Count" || (!v.isIndirect() && v.isNull()))
        continue;
      appendName(out, key);
      out += ' ';
      if (key == "/Dest") {
        value(explicitDestination(*pdf_, v), out);
      } else if (key == "/A" && v.isDictionary() && v.getKey("/S").isNameAndEquals("/GoTo")) {
        out += "<<";
        for (auto& [actionKey, a] : v.ditems()) {
          if (!a.isIndirect() && a.isNull()) continue;
          appendName(out, actionKey);
          out += ' ';
          value(actionKey == "/D" ? explicitDestination(*pdf_, a) : a, out);
        }
        out += ">>";
      } else {
        value(v, out);
      }
    }
  }

  Body& body_;
  std::shared_ptr<QPDF> pdf_;
  std::unordered_map<uint64_t, int>& numbers_;
  std::unordered_map<uint64_t, int>& pending_;
  std::deque<std::pair<int, QPDFObjectHandle>> queue_;
  std::string data_;  // a small stream's data on its way
};

PdfComposition::PdfComposition(const std::shared_ptr<QPDF>& base, size_t holdLimit)
    : body_(std::make_unique<Body>(holdLimit)) {
  catalog_ = body_->allocate();
  pageTree_ = body_->allocate();
  outlineRoot_ = body_->allocate();
  add(-1, base, 0, int(base->getAllPages().size()), true, true);
}

PdfComposition::~PdfComposition() = default;

int PdfComposition::pageCount() const {
  return int(pages_.size());
}

void PdfComposition::insert(int after, const std::shared_ptr<QPDF>& source, int first, int count,
                            bool bookmarks) {
  add(after, source, first, count, bookmarks, false);
}

void PdfComposition::add(int after, const std::shared_ptr<QPDF>& source, int first, int count,
                         bool bookmarks, bool isBase) {
  const std::vector<QPDFObjectHandle>& all = source->getAllPages();
  if (first < 0 || count < 0 || size_t(first) + size_t(count) > all.size() || after < -1 ||
      after > int(pages_.size()) - 1)
    throw std::runtime_error("ページ番号が範囲外です");
  const Body::Mark mark = body_->mark();
  Body::Source& known = body_->sourceOf(source);
  const Body::Source knownBefore = known;
  const std::set<int> unfilledBefore = body_->unfilled;
  try {
    Copier copier(*body_, source, known);
    const std::vector<int> numbers = copier.pages(all, first, count, pageTree_);
    std::vector<TopEntry> top;
    const int visible = bookmarks ? copier.outline(top) : 0;
    if (isBase) {
      copier.entries(source->getRoot(), catalogKeys_, {"/Type", "/Pages", "/Outlines"});
      QPDFObjectHandle info = source->getTrailer().getKey("/Info");
      if (info.isIndirect()) {
        info_ = copier.numberOf(info);
      } else if (info.isDictionary()) {
        info_ = body_->allocate();
        std::string& out = body_->begin(info_);
        out += "<<";
        copier.entries(info, out, {});
        out += ">>\nendobj\n";
      }
    }
    copier.drain();

    std::pair version(versionMajor_, versionMinor_);
    std::pair<int, int> read;
    if (std::sscanf(source->getPDFVersion().c_str(), "%d.%d", &read.first, &read.second) == 2)
      version = std::max(version, read);
    // Room first: nothing after it can fail half-way.
    pages_.reserve(pages_.size() + numbers.size());
    top_.reserve(top_.size() + top.size());
    std::tie(versionMajor_, versionMinor_) = version;
    pages_.insert(pages_.begin() + (after + 1), numbers.begin(), numbers.end());
    for (TopEntry& entry : top) top_.push_back(std::move(entry));
    outlineVisible_ += visible;
  } catch (...) {
    body_->rollback(mark);
    known = knownBefore;
    body_->unfilled = unfilledBefore;
    throw;
  }
}

void PdfComposition::write(int fd) const {
  Writer out(fd);
  std::vector<uint64_t> offsets(size_t(body_->next), 0);
  std::string text = "%PDF-" + std::to_string(versionMajor_) + "." + std::to_string(versionMinor_) +
                     "\n%\xbf\xf7\xa2\xfe\n";
  out.put(text);
  for (const Body::Chunk& chunk : body_->chunks) {
    for (const auto& [number, at] : chunk.objects) offsets[size_t(number)] = out.pos() + at;
    out.put(chunk.bytes);
    if (!chunk.keep) continue;
    const uint64_t start = out.pos();
    WriteTo sink(out);
    readRaw(chunk.stream, sink);
    text = "\nendstream\nendobj\n";
    offsets[size_t(chunk.lengthNumber)] = out.pos() + text.size();
    appendNumber(text, chunk.lengthNumber);
    text += " 0 obj\n";
    appendNumber(text, (long long)(out.pos() - start));
    text += "\nendobj\n";
    out.put(text);
  }

  // The objects that join the others.
  text.clear();
  const uint64_t start = out.pos();
  const auto begin = [&](int number) {
    offsets[size_t(number)] = start + text.size();
    appendNumber(text, number);
    text += " 0 obj\n<<";
  };
  for (const int page : body_->unfilled) {  // pages linked to but never put in
    offsets[size_t(page)] = start + text.size();
    appendNumber(text, page);
    text += " 0 obj\nnull\nendobj\n";
  }
  for (size_t i = 0; i < top_.size(); ++i) {
    begin(top_[i].number);
    text += top_[i].keys;
    appendLinks(text, outlineRoot_, i > 0 ? top_[i - 1].number : 0,
                i + 1 < top_.size() ? top_[i + 1].number : 0);
    text += ">>\nendobj\n";
  }
  begin(outlineRoot_);
  text += "/Type/Outlines";
  if (!top_.empty()) {
    text += "/First ";
    appendRef(text, top_.front().number);
    text += "/Last ";
    appendRef(text, top_.back().number);
  }
  text += "/Count ";
  appendNumber(text, outlineVisible_);
  text += ">>\nendobj\n";
  begin(pageTree_);
  text += "/Type/Pages/Kids[";
  for (int page : pages_) {
    appendRef(text, page);
    text += ' ';
  }
  text += "]/Count ";
  appendNumber(text, (long long)pages_.size());
  text += ">>\nendobj\n";
  begin(catalog_);
  text += "/Type/Catalog/Pages ";
  appendRef(text, pageTree_);
  if (!top_.empty()) {
    text += "/Outlines ";
    appendRef(text, outlineRoot_);
  }
  text += catalogKeys_ + ">>\nendobj\n";
  out.put(text);

  const uint64_t xref = out.pos();
  text = "xref\n0 ";
  appendNumber(text, body_->next);
  text += "\n0000000000 65535 f \n";
  for (size_t number = 1; number < offsets.size(); ++number) {
    if (offsets[number] == 0)
      throw std::logic_error("内部エラー: オブジェクト " + std::to_string(number) +
                             " が書かれていません");
    if (offsets[number] > 9999999999ULL)
      throw std::runtime_error("ファイルが大きすぎます（10 GB 以上）");
    char line[21];
    std::snprintf(line, sizeof line, "%010llu 00000 n \n", (unsigned long long)offsets[number]);
    text.append(line, 20);
  }
  // A new file gets a new identifier.
  std::random_device random;
  char id[33];
  std::snprintf(id, sizeof id, "%08x%08x%08x%08x", random(), random(), random(), random());
  text += "trailer\n<</Size ";
  appendNumber(text, body_->next);
  text += "/Root ";
  appendRef(text, catalog_);
  if (info_ != 0) {
    text += "/Info ";
    appendRef(text, info_);
  }
  text += "/ID[<" + std::string(id) + "><" + std::string(id) + ">]>>\nstartxref\n";
  appendNumber(text, (long long)xref);
  text += "\n%%EOF\n";
  out.put(text);
  out.flush();
}

}  // namespace folvane::platform
