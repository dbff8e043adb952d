#pragma once

#include <QtGlobal>

namespace folvane::platform {

// What the processor gave so far, as the kernel counts it. Figures only
// grow; what matters is how much they grew over a stretch of time.
class CpuGauge {
 public:
  virtual ~CpuGauge() = default;
  // Time the machine's cores spent with nothing to run, all cores summed.
  virtual qint64 IdleNs() const = 0;
  // CPU time a process has had, all its threads summed; 0 when it is gone.
  virtual qint64 ProcessNs(qint64 pid) const = 0;
};

// Reads /proc/stat and /proc/<pid>/stat.
class LinuxCpuGauge final : public CpuGauge {
 public:
  qint64 IdleNs() const override;
  qint64 ProcessNs(qint64 pid) const override;
};

}  // namespace folvane::platform
