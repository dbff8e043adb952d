#pragma once

#include <qpdf/QPDF.hh>

#include <set>
#include <string>
#include <vector>

namespace folvane::platform {

class PdfObjectCopier;

// The optional content (layers) of the files put together, joined so that
// every layer keeps the visibility its file gave it: the first file's
// default configuration, every file's layers listed, shown and hidden as
// in their own file, in the order their files came.
class PdfLayers {
 public:
  void add(PdfObjectCopier& copier, QPDF& pdf);

  // The catalog's /OCProperties entry; empty when no file had layers.
  std::string entry() const;

 private:
  void append(PdfObjectCopier& copier, QPDFObjectHandle items, std::string& out);

  bool seen_ = false;
  bool baseOff_ = false;  // the first file's layers are hidden unless listed shown
  std::set<int> listed_;
  std::string ocgs_, on_, off_, order_, locked_, groups_;
  std::string firstKeys_;  // the first file's configuration's other entries
  std::string configs_;
};

}  // namespace folvane::platform
