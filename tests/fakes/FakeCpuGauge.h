#pragma once

#include <QElapsedTimer>
#include <QHash>

#include "platform/process/CpuGauge.h"

namespace folvane::fakes {

// A machine whose idle cores and the processor each process gets are set
// by the test, and may change while a run goes on: the figures grow at the
// rates last set, as the kernel's counters grow.
class FakeCpuGauge final : public platform::CpuGauge {
 public:
  FakeCpuGauge(double idleCores, double perProcess)
      : idleCores_(idleCores), perProcess_(perProcess) {
    clock_.start();
  }
  // From now on.
  void Set(double idleCores, double perProcess) {
    advance();
    idleCores_ = idleCores;
    perProcess_ = perProcess;
  }
  qint64 IdleNs() const override {
    advance();
    return idleNs_;
  }
  qint64 ProcessNs(qint64 pid) const override {
    advance();
    if (pid <= 0) return 0;
    // A process first asked about starts from nothing.
    auto first = firstSeen_.constFind(pid);
    if (first == firstSeen_.constEnd()) first = firstSeen_.insert(pid, processNs_);
    return processNs_ - *first;
  }

 private:
  void advance() const {
    const qint64 now = clock_.nsecsElapsed();
    idleNs_ += qint64((now - last_) * idleCores_);
    processNs_ += qint64((now - last_) * perProcess_);
    last_ = now;
  }
  double idleCores_, perProcess_;
  QElapsedTimer clock_;
  mutable qint64 last_ = 0, idleNs_ = 0, processNs_ = 0;
  mutable QHash<qint64, qint64> firstSeen_;
};

}  // namespace folvane::fakes
