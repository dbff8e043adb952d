#include "PdfWriter.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <tuple>

#include "PdfBody.h"
#include "PdfFileOutput.h"
#include "PdfObjectCopier.h"
#include "PdfSyntax.h"
#include "platform/pdf/PdfError.h"

namespace folvane::platform {
using namespace pdfsyntax;

PdfWriter::PdfWriter(const std::shared_ptr<QPDF>& base, size_t holdLimit,
                     std::shared_ptr<const PdfOrigin> origin)
    : body_(std::make_unique<PdfBody>(holdLimit)) {
  catalog_ = body_->allocate();
  pageTree_ = body_->allocate();
  outlineRoot_ = body_->allocate();
  add(-1, base, std::move(origin), 0, int(base->getAllPages().size()), true, true);
}

PdfWriter::~PdfWriter() = default;

int PdfWriter::pageCount() const {
  return int(pages_.size());
}

void PdfWriter::insert(int after, const std::shared_ptr<QPDF>& source, int first, int count,
                       bool bookmarks, std::shared_ptr<const PdfOrigin> origin) {
  add(after, source, std::move(origin), first, count, bookmarks, false);
}

void PdfWriter::add(int after, const std::shared_ptr<QPDF>& source,
                    std::shared_ptr<const PdfOrigin> origin, int first, int count, bool bookmarks,
                    bool isBase) {
  const std::vector<QPDFObjectHandle>& all = source->getAllPages();
  if (first < 0 || count < 0 || size_t(first) + size_t(count) > all.size() || after < -1 ||
      after > int(pages_.size()) - 1)
    throw PdfError("ページ番号が範囲外です");
  const PdfBody::Mark mark = body_->mark();
  PdfBody::Source& known = body_->sourceOf(source, std::move(origin));
  const PdfBody::Source knownBefore = known;
  const std::set<int> unfilledBefore = body_->unfilled;
  const PdfForm formBefore = form_;
  const PdfLayers layersBefore = layers_;
  try {
    PdfObjectCopier copier(*body_, source, known);
    form_.add(copier, *body_, *source,
              std::vector<QPDFObjectHandle>(all.begin() + first, all.begin() + first + count),
              first == 0 && size_t(count) == all.size());
    layers_.add(copier, *source);
    labels_.add(*source, first, count);
    const std::vector<int> numbers = copier.pages(all, first, count, pageTree_);
    std::vector<OutlineTopEntry> top;
    const int visible = bookmarks ? copier.outline(top) : 0;
    if (isBase) copyBaseEntries(copier, source);
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
    labels_.insert(after);
    for (OutlineTopEntry& entry : top) top_.push_back(std::move(entry));
    outlineVisible_ += visible;
  } catch (...) {
    body_->rollback(mark);
    known = knownBefore;
    body_->unfilled = unfilledBefore;
    form_ = formBefore;
    layers_ = layersBefore;
    throw;
  }
}

// The first document's catalog entries and document information.
void PdfWriter::copyBaseEntries(PdfObjectCopier& copier, const std::shared_ptr<QPDF>& base) {
  copier.entries(base->getRoot(), catalogKeys_,
                 {"/Type", "/Pages", "/Outlines", "/AcroForm", "/OCProperties", "/PageLabels"});
  QPDFObjectHandle info = base->getTrailer().getKey("/Info");
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

void PdfWriter::write(int fd) const {
  PdfFileOutput out(fd, body_->next, versionMajor_, versionMinor_);
  writeBody(out);
  out.put(joiningObjects(out));
  out.finish(catalog_, info_);
}

// The objects the insertions made, large streams read from their documents:
// a document let go of is opened again, once for the streams that follow
// each other in the file, and let go of before the next is opened.
void PdfWriter::writeBody(PdfFileOutput& out) const {
  const PdfOrigin* reopened = nullptr;
  std::shared_ptr<QPDF> open;
  for (const PdfBody::Chunk& chunk : body_->chunks) {
    for (const auto& [number, at] : chunk.objects) out.place(number, out.pos() + at);
    out.put(chunk.bytes);
    if (chunk.lengthNumber == 0) continue;
    std::shared_ptr<QPDF> pdf = chunk.keep ? chunk.keep : chunk.held.lock();
    if (!pdf) {
      if (reopened != chunk.origin.get()) {
        open.reset();
        open = chunk.origin->reopen();
        reopened = chunk.origin.get();
      }
      pdf = open;
    }
    QPDFObjectHandle stream = pdf->getObjectByObjGen(chunk.stream);
    if (!stream.isStream())
      throw PdfError("オブジェクト " + std::to_string(chunk.stream.getObj()) +
                     " がストリームではなくなりました");
    const uint64_t length = out.putStoredData(stream);
    std::string text = "\nendstream\nendobj\n";
    out.place(chunk.lengthNumber, out.pos() + text.size());
    AppendObjectStart(text, chunk.lengthNumber);
    AppendNumber(text, (long long)length);
    text += "\nendobj\n";
    out.put(text);
  }
}

// The objects that join the others: pages linked to but never put in, the
// outline's top, the page tree and the catalog.
std::string PdfWriter::joiningObjects(PdfFileOutput& out) const {
  std::string text;
  const uint64_t start = out.pos();
  const auto begin = [&](int number) {
    out.place(number, start + text.size());
    AppendObjectStart(text, number);
    text += "<<";
  };
  for (const int page : body_->unfilled) {
    out.place(page, start + text.size());
    AppendObjectStart(text, page);
    text += "null\nendobj\n";
  }
  for (size_t i = 0; i < top_.size(); ++i) {
    begin(top_[i].number);
    text += top_[i].keys;
    AppendLinks(text, outlineRoot_, i > 0 ? top_[i - 1].number : 0,
                i + 1 < top_.size() ? top_[i + 1].number : 0);
    text += ">>\nendobj\n";
  }
  begin(outlineRoot_);
  text += "/Type/Outlines";
  if (!top_.empty()) {
    text += "/First ";
    AppendRef(text, top_.front().number);
    text += "/Last ";
    AppendRef(text, top_.back().number);
  }
  text += "/Count ";
  AppendNumber(text, outlineVisible_);
  text += ">>\nendobj\n";
  begin(pageTree_);
  text += "/Type/Pages/Kids[";
  for (int page : pages_) {
    AppendRef(text, page);
    text += ' ';
  }
  text += "]/Count ";
  AppendNumber(text, (long long)pages_.size());
  text += ">>\nendobj\n";
  begin(catalog_);
  text += "/Type/Catalog/Pages ";
  AppendRef(text, pageTree_);
  if (!top_.empty()) {
    text += "/Outlines ";
    AppendRef(text, outlineRoot_);
  }
  text += catalogKeys_ + form_.entry() + layers_.entry() + labels_.entry() + ">>\nendobj\n";
  return text;
}

}  // namespace folvane::platform
