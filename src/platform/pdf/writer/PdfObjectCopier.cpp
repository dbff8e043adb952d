#include "PdfObjectCopier.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>

#include <algorithm>

#include "PdfFileOutput.h"
#include "PdfSyntax.h"

namespace folvane::platform {
using namespace pdfsyntax;
namespace {

constexpr int kOutlineDepth = 100;
constexpr long long kHeldStreamBytes = 64 * 1024;

uint64_t key(const QPDFObjectHandle& h) {
  const QPDFObjGen og = h.getObjGen();
  return uint64_t(uint32_t(og.getObj())) << 32 | uint32_t(og.getGen());
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
  explicit AppendTo(std::string& out) : Pipeline("copier", nullptr), out_(out) {}
  void write(unsigned char const* data, size_t len) override {
    out_.append(reinterpret_cast<const char*>(data), len);
  }
  void finish() override {}

 private:
  std::string& out_;
};

}  // namespace

std::vector<int> PdfObjectCopier::pages(const std::vector<QPDFObjectHandle>& all, int first,
                                        int count, int pageTree) {
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
    AppendRef(out, pageTree);
    out += ">>\nendobj\n";
  }
  return numbers;
}

// The source's outline, its first level into `top`; returns how many
// entries it shows.
int PdfObjectCopier::outline(std::vector<OutlineTopEntry>& top) {
  QPDFObjectHandle root = pdf_->getRoot().getKey("/Outlines");
  if (!root.isDictionary()) return 0;
  std::set<QPDFObjGen> seen;
  if (root.isIndirect()) seen.insert(root.getObjGen());
  return outline(root.getKey("/First"), 0, seen, 0, &top).visible;
}

// A value where it is written: an indirect object as its reference, the
// object itself queued to be written.
void PdfObjectCopier::value(QPDFObjectHandle h, std::string& out) {
  if (!h.isIndirect()) return direct(h, out);
  const int number = numberOf(h);
  if (number == 0)
    out += "null";
  else
    AppendRef(out, number);
}

// A dictionary's entries but `skip`.
void PdfObjectCopier::entries(QPDFObjectHandle dict, std::string& out,
                              std::initializer_list<const char*> skip) {
  for (auto& [key, item] : dict.ditems()) {
    if (std::any_of(skip.begin(), skip.end(), [&](const char* s) { return key == s; })) continue;
    if (!item.isIndirect() && item.isNull()) continue;
    AppendName(out, key);
    out += ' ';
    value(item, out);
  }
}

// The number `h` is written under; 0 when it is written as null.
int PdfObjectCopier::numberOf(QPDFObjectHandle h) {
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

int PdfObjectCopier::claim(QPDFObjectHandle h) {
  const auto [at, fresh] = numbers_.try_emplace(key(h), 0);
  if (!fresh) return 0;
  return at->second = body_.allocate();
}

// Writes the objects queued, and those they refer to in turn.
void PdfObjectCopier::drain() {
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

void PdfObjectCopier::direct(QPDFObjectHandle h, std::string& out) {
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
      AppendNumber(out, h.getIntValue());
      break;
    case ::ot_name:
      AppendName(out, h.getName());
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

void PdfObjectCopier::stream(int number, QPDFObjectHandle h) {
  QPDFObjectHandle dict = h.getDict();
  std::string keys;
  entries(dict, keys, {"/Length"});
  QPDFObjectHandle length = dict.getKey("/Length");
  if ((length.isInteger() && length.getIntValue() >= kHeldStreamBytes) ||
      body_.held >= body_.holdLimit) {
    const int lengthNumber = body_.allocate();
    std::string& out = body_.begin(number);
    out += "<<" + keys + "/Length ";
    AppendRef(out, lengthNumber);
    out += ">>\nstream\n";
    body_.defer(pdf_, source_, h.getObjGen(), lengthNumber);
    return;
  }
  data_.clear();
  AppendTo sink(data_);
  PipeStoredData(h, sink);
  std::string& out = body_.begin(number);
  out += "<<" + keys + "/Length ";
  AppendNumber(out, (long long)data_.size());
  out += ">>\nstream\n";
  out += data_;
  out += "\nendstream\nendobj\n";
  body_.held += data_.size();
}

// Writes the entries from `item` on, following /Next and /First, under
// `parent` (0: the first level, kept in `top`). An entry met a second time
// (a loop, or one shared by two parents) ends its chain there.
PdfObjectCopier::Level PdfObjectCopier::outline(QPDFObjectHandle item, int parent,
                                                std::set<QPDFObjGen>& seen, int depth,
                                                std::vector<OutlineTopEntry>* top) {
  std::vector<Entry> found;
  Level level;
  for (; item.isDictionary(); item = item.getKey("/Next")) {
    if (item.isIndirect() && !seen.insert(item.getObjGen()).second) break;
    Entry entry{item, body_.allocate(), {}, false};
    ++level.visible;
    if (depth < kOutlineDepth) {
      entry.kids = outline(item.getKey("/First"), entry.number, seen, depth + 1, nullptr);
      // Readers show an entry closed only for a negative count; 0 with
      // children is open to them.
      QPDFObjectHandle count = item.getKey("/Count");
      entry.open = count.isInteger() && count.getIntValue() >= 0;
      if (entry.open) level.visible += entry.kids.visible;
    }
    level.numbers.push_back(entry.number);
    found.push_back(std::move(entry));
  }
  writeEntries(found, parent, top);
  return level;
}

// Entries of one level, each linked to its neighbours, under `parent`; the
// first level's go to `top` instead.
void PdfObjectCopier::writeEntries(const std::vector<Entry>& found, int parent,
                                   std::vector<OutlineTopEntry>* top) {
  for (size_t i = 0; i < found.size(); ++i) {
    const Entry& entry = found[i];
    std::string keys;
    entryKeys(entry.item, keys);
    if (!entry.kids.numbers.empty()) {
      keys += "/First ";
      AppendRef(keys, entry.kids.numbers.front());
      keys += "/Last ";
      AppendRef(keys, entry.kids.numbers.back());
      keys += "/Count ";
      AppendNumber(keys, entry.open ? entry.kids.visible : -entry.kids.visible);
    }
    if (top) {
      top->push_back({entry.number, std::move(keys)});
      continue;
    }
    std::string& out = body_.begin(entry.number);
    out += "<<" + keys;
    AppendLinks(out, parent, i > 0 ? found[i - 1].number : 0,
                i + 1 < found.size() ? found[i + 1].number : 0);
    out += ">>\nendobj\n";
  }
}

// An entry's own keys; a named destination, which means nothing in
// another document, becomes the page it names.
void PdfObjectCopier::entryKeys(QPDFObjectHandle item, std::string& out) {
  for (auto& [key, v] : item.ditems()) {
    if (key == "/Parent" || key == "/First" || key == "/Last" || key == "/Next" || key == "/Prev" ||
        key == "/Count" || (!v.isIndirect() && v.isNull()))
      continue;
    AppendName(out, key);
    out += ' ';
    if (key == "/Dest") {
      value(explicitDestination(*pdf_, v), out);
    } else if (key == "/A" && v.isDictionary() && v.getKey("/S").isNameAndEquals("/GoTo")) {
      out += "<<";
      for (auto& [actionKey, a] : v.ditems()) {
        if (!a.isIndirect() && a.isNull()) continue;
        AppendName(out, actionKey);
        out += ' ';
        value(actionKey == "/D" ? explicitDestination(*pdf_, a) : a, out);
      }
      out += ">>";
    } else {
      value(v, out);
    }
  }
}

}  // namespace folvane::platform
