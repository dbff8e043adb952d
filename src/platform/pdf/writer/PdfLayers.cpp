#include "PdfLayers.h"

#include "PdfObjectCopier.h"
#include "PdfSyntax.h"

namespace folvane::platform {
using namespace pdfsyntax;

// Each item of an array, as written, after those so far.
void PdfLayers::append(PdfObjectCopier& copier, QPDFObjectHandle items, std::string& out) {
  if (!items.isArray()) return;
  for (QPDFObjectHandle item : items.aitems()) {
    copier.value(item, out);
    out += ' ';
  }
}

void PdfLayers::add(PdfObjectCopier& copier, QPDF& pdf) {
  QPDFObjectHandle properties = pdf.getRoot().getKey("/OCProperties");
  if (!properties.isDictionary()) return;
  QPDFObjectHandle config = properties.getKey("/D");
  if (!config.isDictionary()) config = QPDFObjectHandle::newDictionary();
  const bool first = !seen_;
  seen_ = true;
  const bool off = config.getKey("/BaseState").isNameAndEquals("/OFF");
  if (first) {
    baseOff_ = off;
    copier.entries(config, firstKeys_, {"/ON", "/OFF", "/Order", "/Locked", "/RBGroups"});
    if (properties.hasKey("/Configs")) copier.value(properties.getKey("/Configs"), configs_);
  }
  // What this file's configuration says of its layers.
  std::set<int> shown, hidden;
  for (const auto& [key, into] : {std::pair("/ON", &shown), std::pair("/OFF", &hidden)}) {
    QPDFObjectHandle list = config.getKey(key);
    if (!list.isArray()) continue;
    for (QPDFObjectHandle ocg : list.aitems())
      if (ocg.isIndirect())
        if (const int number = copier.numberOf(ocg)) into->insert(number);
  }
  QPDFObjectHandle ocgs = properties.getKey("/OCGs");
  if (ocgs.isArray())
    for (QPDFObjectHandle ocg : ocgs.aitems()) {
      if (!ocg.isIndirect()) continue;
      const int number = copier.numberOf(ocg);
      if (number == 0 || !listed_.insert(number).second) continue;
      AppendRef(ocgs_, number);
      ocgs_ += ' ';
      // Listed or not, a layer is as its own file shows it.
      const bool visible = off ? shown.count(number) > 0 : hidden.count(number) == 0;
      if (visible == baseOff_) {
        AppendRef(visible ? on_ : off_, number);
        (visible ? on_ : off_) += ' ';
      }
    }
  append(copier, config.getKey("/Order"), order_);
  append(copier, config.getKey("/Locked"), locked_);
  append(copier, config.getKey("/RBGroups"), groups_);
}

std::string PdfLayers::entry() const {
  if (!seen_) return {};
  std::string out = "/OCProperties<</OCGs[" + ocgs_ + "]/D<<";
  if (!on_.empty()) out += "/ON[" + on_ + ']';
  if (!off_.empty()) out += "/OFF[" + off_ + ']';
  if (!order_.empty()) out += "/Order[" + order_ + ']';
  if (!locked_.empty()) out += "/Locked[" + locked_ + ']';
  if (!groups_.empty()) out += "/RBGroups[" + groups_ + ']';
  out += firstKeys_ + ">>";
  if (!configs_.empty()) out += "/Configs " + configs_;
  return out + ">>";
}

}  // namespace folvane::platform
