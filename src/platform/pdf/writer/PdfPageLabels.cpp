#include "PdfPageLabels.h"

#include <qpdf/QPDFPageLabelDocumentHelper.hh>

#include "PdfSyntax.h"

namespace folvane::platform {
using namespace pdfsyntax;

void PdfPageLabels::add(QPDF& pdf, int first, int count) {
  pending_.assign(size_t(count), {});
  pages_.reserve(pages_.size() + size_t(count));
  QPDFPageLabelDocumentHelper labels(pdf);
  if (!labels.hasPageLabels()) return;
  for (int i = 0; i < count; ++i) {
    QPDFObjectHandle label = labels.getLabelForPage(first + i);
    if (!label.isDictionary()) continue;
    Label& page = pending_[size_t(i)];
    page.own = true;
    QPDFObjectHandle style = label.getKey("/S");
    if (style.isName()) page.style = style.getName();
    QPDFObjectHandle prefix = label.getKey("/P");
    if (prefix.isString()) page.prefix = prefix.unparse();
    QPDFObjectHandle number = label.getKey("/St");
    if (number.isInteger()) page.number = number.getIntValue();
  }
}

void PdfPageLabels::insert(int after) {
  for (const Label& page : pending_) any_ = any_ || page.own;
  pages_.insert(pages_.begin() + (after + 1), pending_.begin(), pending_.end());
  pending_.clear();
}

std::string PdfPageLabels::entry() const {
  if (!any_) return {};
  std::string out = "/PageLabels<</Nums[";
  Label last;
  for (size_t i = 0; i < pages_.size(); ++i) {
    Label page = pages_[i];
    if (!page.own) {
      page.style = "/D";
      page.number = (long long)i + 1;
    }
    // A range goes on while the pages count on in the same style.
    const bool goesOn = i > 0 && last.style == page.style && last.prefix == page.prefix &&
                        (page.style.empty() || last.number + 1 == page.number);
    last = page;
    if (goesOn) continue;
    AppendNumber(out, (long long)i);
    out += "<<";
    if (!page.style.empty()) out += "/S" + page.style;
    if (!page.prefix.empty()) out += "/P" + page.prefix;
    if (!page.style.empty() && page.number != 1) {
      out += "/St ";
      AppendNumber(out, page.number);
    }
    out += ">>";
  }
  return out + "]>>";
}

}  // namespace folvane::platform
