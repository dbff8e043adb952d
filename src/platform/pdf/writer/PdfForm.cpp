#include "PdfForm.h"

#include <algorithm>
#include <map>

#include "PdfBody.h"
#include "PdfObjectCopier.h"
#include "PdfSyntax.h"

namespace folvane::platform {
using namespace pdfsyntax;
namespace {

constexpr int kFieldDepth = 100;

// The field at the top of the tree `h` hangs in.
QPDFObjectHandle topOf(QPDFObjectHandle h) {
  std::set<QPDFObjGen> seen;
  for (int depth = 0; depth < kFieldDepth; ++depth) {
    QPDFObjectHandle parent = h.getKey("/Parent");
    if (!parent.isDictionary() || (parent.isIndirect() && !seen.insert(parent.getObjGen()).second))
      break;
    h = parent;
  }
  return h;
}

std::string unparsed(QPDFObjectHandle h) {
  return h.isNull() ? std::string() : h.unparseResolved();
}

}  // namespace

void PdfForm::add(PdfObjectCopier& copier, PdfBody& body, QPDF& pdf,
                  const std::vector<QPDFObjectHandle>& pages, bool whole) {
  QPDFObjectHandle form = pdf.getRoot().getKey("/AcroForm");
  if (!form.isDictionary()) return;
  std::vector<QPDFObjectHandle> tops;
  std::set<QPDFObjGen> taken;
  const auto take = [&](QPDFObjectHandle field) {
    if (field.isDictionary() && (!field.isIndirect() || taken.insert(field.getObjGen()).second))
      tops.push_back(field);
  };
  // A form whose field list is damaged still has its fields on its pages.
  QPDFObjectHandle fields = form.getKey("/Fields");
  if (whole && fields.isArray()) {
    for (QPDFObjectHandle field : fields.aitems()) take(field);
  } else {
    for (QPDFObjectHandle page : pages) {
      QPDFObjectHandle annots = page.getKey("/Annots");
      if (!annots.isArray()) continue;
      for (QPDFObjectHandle annot : annots.aitems())
        if (annot.isDictionary() && annot.getKey("/Subtype").isNameAndEquals("/Widget"))
          take(topOf(annot));
    }
  }
  const bool first = !seen_;
  const std::string formDA = unparsed(form.getKey("/DA"));
  if (da_.empty()) da_ = formDA;
  if (first) {
    copier.entries(form, firstKeys_, {"/Fields", "/DR", "/DA", "/NeedAppearances", "/XFA", "/CO"});
    if (form.hasKey("/XFA")) copier.value(form.getKey("/XFA"), xfa_);
  }
  seen_ = true;
  QPDFObjectHandle need = form.getKey("/NeedAppearances");
  needAppearances_ = needAppearances_ || (need.isBool() && need.getBoolValue());
  addResources(copier, form.getKey("/DR"));
  // Fields of one file under one name are one field to a viewer: they
  // clash with other files' names only, and are renamed alike.
  std::map<std::string, std::string> own;  // this file's top names, and what they are written as
  for (QPDFObjectHandle field : tops)
    if (QPDFObjectHandle t = field.getKey("/T"); t.isString()) own.emplace(t.getUTF8Value(), "");
  std::set<std::string> ownTaken;  // this file's names, and those chosen for it
  for (const auto& [name, written] : own) ownTaken.insert(name);
  for (auto& [name, written] : own) {
    written = names_.count(name) ? freeName(name, ownTaken) : name;
    ownTaken.insert(written);
  }
  for (QPDFObjectHandle field : tops) {
    if (!field.isIndirect()) {  // not as it should be, but kept as it is
      copier.value(field, fields_);
      fields_ += ' ';
      later_ = later_ || !first;
      continue;
    }
    const int number = addField(copier, body, field, formDA, own);
    if (number == 0 || !listed_.insert(number).second) continue;
    AppendRef(fields_, number);
    fields_ += ' ';
    later_ = later_ || !first;
  }
  for (const auto& [name, written] : own) names_.insert(written);
  QPDFObjectHandle order = form.getKey("/CO");
  if (order.isArray())
    for (QPDFObjectHandle field : order.aitems()) {
      if (!field.isIndirect()) continue;
      if (const int number = copier.numberOf(field)) {
        AppendRef(calculationOrder_, number);
        calculationOrder_ += ' ';
      }
    }
}

// The field under the number references take. A field whose name `names`
// writes as another, or that takes its appearance from its form when the
// joined form has another, is written here.
int PdfForm::addField(PdfObjectCopier& copier, PdfBody& body, QPDFObjectHandle field,
                      const std::string& formDA, const std::map<std::string, std::string>& names) {
  QPDFObjectHandle t = field.getKey("/T");
  const auto name = t.isString() ? names.find(t.getUTF8Value()) : names.end();
  const bool clash = name != names.end() && name->first != name->second;
  const bool ownDA = !formDA.empty() && formDA != da_ && !field.hasKey("/DA");
  const int number = clash || ownDA ? copier.claim(field) : 0;
  if (number == 0) return copier.numberOf(field);
  std::string& out = body.begin(number);
  out += "<<";
  copier.entries(field, out, {"/T"});
  if (t.isString()) {
    out += "/T ";
    out += clash ? QPDFObjectHandle::newUnicodeString(name->second).unparse() : t.unparse();
  }
  if (ownDA) out += "/DA " + formDA;
  out += ">>\nendobj\n";
  return number;
}

std::string PdfForm::freeName(const std::string& name, const std::set<std::string>& taken) const {
  for (int n = 1;; ++n) {
    const std::string candidate = name + '+' + std::to_string(n);
    if (!names_.count(candidate) && !taken.count(candidate)) return candidate;
  }
}

// The default resources, the first of each name kept: a later file's
// fields name their fonts as the first file does (/Helv, /ZaDb).
void PdfForm::addResources(PdfObjectCopier& copier, QPDFObjectHandle dr) {
  if (!dr.isDictionary()) return;
  for (auto& [key, items] : dr.ditems()) {
    if (!items.isDictionary()) continue;
    auto category = std::find_if(resources_.begin(), resources_.end(),
                                 [&](const Category& c) { return c.name == key; });
    if (category == resources_.end()) category = resources_.insert(resources_.end(), {key, {}});
    for (auto& [name, value] : items.ditems()) {
      if (std::any_of(category->items.begin(), category->items.end(),
                      [&](const auto& item) { return item.first == name; }))
        continue;
      std::string text;
      copier.value(value, text);
      category->items.emplace_back(name, std::move(text));
    }
  }
}

std::string PdfForm::entry() const {
  if (!seen_) return {};
  std::string out = "/AcroForm<</Fields[" + fields_ + ']';
  if (!resources_.empty()) {
    out += "/DR<<";
    for (const Category& category : resources_) {
      AppendName(out, category.name);
      out += "<<";
      for (const auto& [name, value] : category.items) {
        AppendName(out, name);
        out += ' ' + value;
      }
      out += ">>";
    }
    out += ">>";
  }
  if (!da_.empty()) out += "/DA " + da_;
  if (needAppearances_) out += "/NeedAppearances true";
  if (!calculationOrder_.empty()) out += "/CO[" + calculationOrder_ + ']';
  // XFA describes the first file's form alone: with other fields joined a
  // viewer that reads it would miss them.
  if (!xfa_.empty() && !later_) out += "/XFA " + xfa_;
  return out + firstKeys_ + ">>";
}

}  // namespace folvane::platform
