#pragma once

#include <QString>

namespace folvane::platform {

// Where the desktop shows how far a long job is (the launcher entry of the
// program's icon). Showing is best effort: nothing here fails or blocks.
class Progress {
 public:
  virtual ~Progress() = default;

  // `done` of `total` steps are behind us; shows the bar.
  virtual void Show(qsizetype done, qsizetype total) = 0;

  // The job is over; hides the bar.
  virtual void Hide() = 0;
  // The item the job works on now, for a display that names it.
  virtual void Working(const QString& item) { (void)item; }
};

// One job's progress: shows 0 of `total` at once, one more step at each
// Step(), and hides the bar however the job ends.
class ProgressRun {
 public:
  ProgressRun(Progress& progress, qsizetype total) : progress_(progress), total_(total) {
    progress_.Show(0, total_);
  }
  ~ProgressRun() { progress_.Hide(); }
  ProgressRun(const ProgressRun&) = delete;
  ProgressRun& operator=(const ProgressRun&) = delete;

  void Step() { progress_.Show(++done_, total_); }
  void Working(const QString& item) { progress_.Working(item); }

 private:
  Progress& progress_;
  qsizetype total_;
  qsizetype done_ = 0;
};

}  // namespace folvane::platform
