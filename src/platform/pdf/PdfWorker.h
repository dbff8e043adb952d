#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace folvane::platform {

// One thread that runs the tasks given to it, in the order given: the PDF
// engine's second core, for reading files ahead and for letting go of
// merged documents. Started at the first task; on destruction it runs what
// is left, then ends. A task runs and is destroyed on that thread.
class PdfWorker {
 public:
  PdfWorker() = default;
  ~PdfWorker();
  PdfWorker(const PdfWorker&) = delete;
  PdfWorker& operator=(const PdfWorker&) = delete;

  void post(std::function<void()> task);

 private:
  void run();

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> tasks_;
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace folvane::platform
