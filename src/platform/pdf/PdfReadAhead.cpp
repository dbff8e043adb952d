#include "PdfReadAhead.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <vector>

namespace folvane::platform {

struct PdfReadAhead::State {
  struct Slot {
    std::unique_ptr<PdfDocument> document;
    std::exception_ptr error;
    bool started = false;
    bool ready = false;
  };

  // Opens and reads a document; a failure is kept for the one who takes it.
  static Slot open(PdfFilePool& files, const QString& path, bool first);

  State(PdfFilePool& pool, QStringList list)
      : files(pool), paths(std::move(list)), documents(size_t(paths.size())) {}

  PdfFilePool& files;
  const QStringList paths;
  std::mutex lock;
  std::condition_variable changed;
  std::vector<Slot> documents;
  qsizetype next = 0;  // the next one to hand out
  bool stopped = false;
};

PdfReadAhead::PdfReadAhead(PdfWorker& worker, PdfFilePool& files, QStringList paths)
    : worker_(worker), state_(std::make_shared<State>(files, std::move(paths))) {
  for (qsizetype i = 0; i < kAhead; ++i) readLater(i);
}

PdfReadAhead::~PdfReadAhead() {
  std::vector<State::Slot> left;
  {
    const std::lock_guard guard(state_->lock);
    state_->stopped = true;
    left = std::move(state_->documents);
  }
  // Tasks not yet run see `stopped` and do nothing.
  worker_.post([left = std::make_shared<std::vector<State::Slot>>(std::move(left))] {});
}

PdfReadAhead::State::Slot PdfReadAhead::State::open(PdfFilePool& files, const QString& path,
                                                    bool first) {
  Slot slot;
  try {
    slot.document = std::make_unique<PdfDocument>(files, path);
    slot.document->readAhead(first);  // the first file's catalog is carried whole
  } catch (...) {
    slot.document.reset();
    slot.error = std::current_exception();
  }
  slot.ready = true;
  slot.started = true;
  return slot;
}

void PdfReadAhead::readLater(qsizetype index) {
  if (index >= state_->paths.size()) return;
  worker_.post([state = state_, index] {
    {
      const std::lock_guard guard(state->lock);
      if (state->stopped || state->documents[size_t(index)].started) return;
      state->documents[size_t(index)].started = true;
    }
    State::Slot slot = State::open(state->files, state->paths[index], index == 0);
    {
      const std::lock_guard guard(state->lock);
      if (state->stopped) return;  // the document goes with `slot`, here
      state->documents[size_t(index)] = std::move(slot);
    }
    state->changed.notify_all();
  });
}

std::unique_ptr<PdfDocument> PdfReadAhead::take(const QString& path) {
  State& s = *state_;
  State::Slot slot;
  qsizetype taken = 0;
  {
    std::unique_lock guard(s.lock);
    if (s.next >= s.paths.size() || s.paths[s.next] != path) return nullptr;
    taken = s.next++;
    State::Slot& waited = s.documents[size_t(taken)];
    if (!waited.started) {
      // The other thread is behind: rather than wait, this one reads it.
      waited.started = true;
      guard.unlock();
      readLater(taken + kAhead);
      return std::make_unique<PdfDocument>(state_->files, path);
    }
    // While the other thread reads this one, this thread reads one after
    // it that the other has not begun, rather than wait.
    while (!waited.ready) {
      qsizetype help = taken + 1;
      const qsizetype end = std::min(s.paths.size(), taken + kAhead);
      while (help < end && s.documents[size_t(help)].started) ++help;
      if (help == end) {
        s.changed.wait(guard, [&] { return waited.ready; });
        continue;
      }
      s.documents[size_t(help)].started = true;
      guard.unlock();
      State::Slot helped = State::open(s.files, s.paths[help], false);
      guard.lock();
      s.documents[size_t(help)] = std::move(helped);
    }
    slot = std::move(waited);
  }
  readLater(taken + kAhead);
  if (slot.error) std::rethrow_exception(slot.error);
  return std::move(slot.document);
}

}  // namespace folvane::platform
