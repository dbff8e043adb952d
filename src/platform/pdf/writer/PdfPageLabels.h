#pragma once

#include <qpdf/QPDF.hh>

#include <string>
#include <vector>

namespace folvane::platform {

// The page labels of the files put together ("i", "ii", "A-1"): each page
// keeps the label its file gave it; pages of a file without labels are
// numbered by where they stand in the merged file.
class PdfPageLabels {
 public:
  // The labels of `count` pages of `pdf` from `first`, to go after `after`.
  // Makes room first: the insertion that follows cannot fail.
  void add(QPDF& pdf, int first, int count);
  void insert(int after);

  // The catalog's /PageLabels entry; empty when no file had labels.
  std::string entry() const;

 private:
  struct Label {
    bool own = false;    // from its file's labels
    std::string style;   // "/D", "/r", ...; empty: no number
    std::string prefix;  // as written, empty for none
    long long number = 1;
  };
  std::vector<Label> pages_;
  std::vector<Label> pending_;  // of the insertion under way
  bool any_ = false;
};

}  // namespace folvane::platform
