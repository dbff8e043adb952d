#pragma once

#include <qpdf/QPDF.hh>

#include <deque>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "PdfBody.h"

namespace folvane::platform {

// An outline entry of the first level, joined to its neighbours when the
// file is written.
struct OutlineTopEntry {
  int number;
  std::string keys;  // all but /Parent, /Prev and /Next
};

// Writes the objects one insertion needs into the body, each once, under
// new numbers.
class PdfObjectCopier {
 public:
  PdfObjectCopier(PdfBody& body, const std::shared_ptr<QPDF>& pdf, PdfBody::Source& source)
      : body_(body),
        pdf_(pdf),
        source_(source),
        numbers_(source.numbers),
        pending_(source.pendingPages) {}

  // The page objects, under new numbers that every reference to them in
  // this insertion takes; their parent is `pageTree`.
  std::vector<int> pages(const std::vector<QPDFObjectHandle>& all, int first, int count,
                         int pageTree);

  // The source's outline, its first level into `top`; returns how many
  // entries it shows.
  int outline(std::vector<OutlineTopEntry>& top);

  // A value where it is written: an indirect object as its reference, the
  // object itself queued to be written.
  void value(QPDFObjectHandle h, std::string& out);

  // A dictionary's entries but `skip`.
  void entries(QPDFObjectHandle dict, std::string& out, std::initializer_list<const char*> skip);

  // The number `h` is written under; 0 when it is written as null.
  int numberOf(QPDFObjectHandle h);

  // A number for `h` that every reference takes, the object itself left to
  // the caller to write; 0 when `h` has a number already.
  int claim(QPDFObjectHandle h);

  // Writes the objects queued, and those they refer to in turn.
  void drain();

 private:
  struct Level {
    std::vector<int> numbers;
    int visible = 0;  // entries shown, children of open ones included
  };
  struct Entry {
    QPDFObjectHandle item;
    int number;
    Level kids;
    bool open = false;
  };

  void direct(QPDFObjectHandle h, std::string& out);
  void stream(int number, QPDFObjectHandle h);
  Level outline(QPDFObjectHandle item, int parent, std::set<QPDFObjGen>& seen, int depth,
                std::vector<OutlineTopEntry>* top);
  void writeEntries(const std::vector<Entry>& found, int parent, std::vector<OutlineTopEntry>* top);
  void entryKeys(QPDFObjectHandle item, std::string& out);

  PdfBody& body_;
  std::shared_ptr<QPDF> pdf_;
  const PdfBody::Source& source_;
  std::unordered_map<uint64_t, int>& numbers_;
  std::unordered_map<uint64_t, int>& pending_;
  std::deque<std::pair<int, QPDFObjectHandle>> queue_;
  std::string data_;  // a small stream's data on its way
};

}  // namespace folvane::platform
