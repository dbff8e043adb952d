#include "PdfWorker.h"

namespace folvane::platform {

PdfWorker::~PdfWorker() {
  {
    const std::lock_guard guard(lock_);
    ending_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PdfWorker::post(std::function<void()> task) {
  {
    const std::lock_guard guard(lock_);
    tasks_.push_back(std::move(task));
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
  }
  changed_.notify_all();
}

void PdfWorker::run() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock guard(lock_);
      changed_.wait(guard, [&] { return ending_ || !tasks_.empty(); });
      if (tasks_.empty()) return;  // ending, with nothing left
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

}  // namespace folvane::platform
