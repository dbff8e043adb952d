#pragma once

#include <qpdf/QPDF.hh>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace folvane::platform {

struct PdfBody;
class PdfObjectCopier;

// The interactive forms of the files put together, joined into one: every
// file's fields in one /Fields, each under a name no other file's field
// has (a clash gets "+1", "+2" after its top name, so each keeps its own
// value; fields of one file sharing a name stay one field), their default resources and appearance
// combined, and fields drawn anew by the viewer when any file asked for it.
class PdfForm {
 public:
  // Takes the fields of `pdf` whose widgets are on `pages`, or all of its
  // form's list when `whole` and the list can be read. Called before the pages are copied: the
  // fields it renames it writes itself.
  void add(PdfObjectCopier& copier, PdfBody& body, QPDF& pdf,
           const std::vector<QPDFObjectHandle>& pages, bool whole);

  // The catalog's /AcroForm entry; empty when no file had a form.
  std::string entry() const;

 private:
  struct Category {
    std::string name;                                        // /Font, /XObject, ...
    std::vector<std::pair<std::string, std::string>> items;  // name, value as written
  };
  void addResources(PdfObjectCopier& copier, QPDFObjectHandle dr);
  int addField(PdfObjectCopier& copier, PdfBody& body, QPDFObjectHandle field,
               const std::string& formDA, const std::map<std::string, std::string>& names);
  // `name` with the first "+n" no file's field has, nor one of `taken`.
  std::string freeName(const std::string& name, const std::set<std::string>& taken) const;

  bool seen_ = false;   // a file with a form came
  bool later_ = false;  // a later file's fields joined the first's
  std::string fields_;  // as written
  std::set<int> listed_;
  std::set<std::string> names_;  // top names taken
  std::string da_;               // the form's default appearance, as written
  bool needAppearances_ = false;
  std::vector<Category> resources_;
  std::string calculationOrder_;  // references, in order
  std::string firstKeys_;         // the first form's other entries
  std::string xfa_;
};

}  // namespace folvane::platform
