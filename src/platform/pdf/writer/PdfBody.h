#pragma once

#include <qpdf/QPDF.hh>

#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "PdfOrigin.h"
#include "PdfSyntax.h"

namespace folvane::platform {

// The objects a writer has made so far, as the text of the file, numbered
// from 1 in one sequence. Large streams are not held: their data is read
// from their document when the file is written, from the document still
// held or opened again through its origin.
struct PdfBody {
  struct Chunk {
    std::string bytes;
    std::vector<std::pair<int, size_t>> objects;  // objects beginning in `bytes`, and where
    // A large stream's data, read from its document when written after
    // `bytes`: the document kept for it when it has no origin, else the
    // one held, if still held, or its origin.
    std::shared_ptr<QPDF> keep;
    std::weak_ptr<QPDF> held;
    std::shared_ptr<const PdfOrigin> origin;
    QPDFObjGen stream;
    int lengthNumber = 0;  // the object that then holds the data's length; 0: none follows
  };
  struct Mark {
    size_t chunks, bytes, objects, held;
    int next;
  };

  // What an input's objects are numbered here, kept across its insertions
  // so that they share what they can, and links between pages put in by
  // different insertions hold.
  struct Source {
    std::weak_ptr<QPDF> pdf;
    std::shared_ptr<const PdfOrigin> origin;
    std::unordered_map<uint64_t, int> numbers;
    // Pages referred to before they were put in, with the numbers kept for them.
    std::unordered_map<uint64_t, int> pendingPages;
  };

  explicit PdfBody(size_t limit) : holdLimit(limit) {}

  std::vector<Chunk> chunks = std::vector<Chunk>(1);
  int next = 1;
  size_t held = 0;  // bytes of stream data in `chunks`
  const size_t holdLimit;
  std::unordered_map<const QPDF*, Source> sources;
  std::set<int> unfilled;  // numbers kept for pages never put in: written as null

  // The numbering of `pdf`'s objects; sources let go of are forgotten.
  Source& sourceOf(const std::shared_ptr<QPDF>& pdf, std::shared_ptr<const PdfOrigin> origin) {
    std::erase_if(sources, [](const auto& entry) { return entry.second.pdf.expired(); });
    Source& source = sources[pdf.get()];
    source.pdf = pdf;
    source.origin = std::move(origin);
    return source;
  }

  int allocate() { return next++; }

  // Begins object `number`; the text to append it to.
  std::string& begin(int number) {
    Chunk& chunk = chunks.back();
    chunk.objects.emplace_back(number, chunk.bytes.size());
    pdfsyntax::AppendObjectStart(chunk.bytes, number);
    return chunk.bytes;
  }

  void defer(const std::shared_ptr<QPDF>& pdf, const Source& source, QPDFObjGen stream,
             int lengthNumber) {
    Chunk& chunk = chunks.back();
    if (source.origin) {
      chunk.held = pdf;
      chunk.origin = source.origin;
    } else {
      chunk.keep = pdf;
    }
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
    chunk.held.reset();
    chunk.origin.reset();
    chunk.stream = QPDFObjGen();
    chunk.lengthNumber = 0;
    held = mark.held;
    next = mark.next;
  }
};

}  // namespace folvane::platform
