#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <memory>
#include <vector>

#include "EngineShare.h"
#include "OfficeEngine.h"
#include "platform/process/CpuGauge.h"

namespace folvane::platform {

// How many engines a batch gets: one per core, as far as half the memory
// available holds them (an engine takes about 300 MiB); at least one.
int EngineCount(int cores, qint64 availableBytes);

// The memory the system has available now, from /proc/meminfo.
qint64 AvailableMemory();

// Several engines that render a run's documents ahead, in the run's order,
// while the run takes them one by one. What the run does not reach leaves
// nothing behind. With a gauge, as many engines work as the processor the
// machine gives them makes faster; without one, all of them.
class EnginePool {
 public:
  // Engine 0 uses `options.profileDir`, engine k the same with ".k".
  EnginePool(const OfficeEngine::Options& options, int engines, const CpuGauge* gauge = nullptr);
  ~EnginePool();
  EnginePool(const EnginePool&) = delete;
  EnginePool& operator=(const EnginePool&) = delete;

  // The documents a run will ask for, in order, rendered into `spoolDir`.
  // A new list drops what is left of the last one.
  void Expect(const QStringList& sources, const QString& spoolDir);

  // Renders `source` to the PDF `target`: the rendering made ahead when the
  // file has not changed since, else a new one (a few times at most while it
  // keeps changing). Returns the version of the file the PDF shows.
  // Documents expected before it are dropped. Waits processing events;
  // throws as OfficeEngine::Convert.
  FileVersion Render(const QString& source, const QString& target);

  // Any other conversion, on the first engine free.
  void Convert(const QString& source, const QString& target, const QString& format);

  // Ends every engine; a document being waited for fails.
  void Stop();

  int size() const { return int(engines_.size()); }
  // How many engines may have documents now, and the most that ever did.
  int working() const { return gauge_ ? share_.working() : size(); }
  int mostWorking() const { return gauge_ ? share_.mostWorking() : size(); }
  OfficeEngine& engine(int i) { return *engines_[size_t(i)]; }
  const OfficeEngine& engine(int i) const { return *engines_[size_t(i)]; }
  QStringList profileDirs() const;
  QByteArray NativePath(const QString& path) const { return nativePath_(path); }

 private:
  struct Job;
  // What the engines got since the stretch began.
  struct Stretch {
    qint64 startNs = 0;
    qint64 idleNs = 0;
    bool backlog = false;
    std::vector<qint64> pid, cpuNs, busyNs;
  };
  void dispatch();
  void drop(const std::shared_ptr<Job>& job);
  int idleEngine() const;
  bool backlogged() const;
  void beginStretch();
  EngineShare::Reading reading() const;
  void review();
  void noteBusy(int engine, bool busy);
  void wait(const std::shared_ptr<Job>& job);
  EngineOutcome take(const QString& source, const QString& target, const QString& format,
                     bool ahead);

  std::function<QByteArray(const QString&)> nativePath_;
  std::vector<std::unique_ptr<OfficeEngine>> engines_;
  std::deque<std::shared_ptr<Job>> ahead_;  // in the run's order
  const CpuGauge* gauge_;
  EngineShare share_;
  QElapsedTimer clock_;
  Stretch stretch_;
  std::vector<qint64> busySince_;  // clock_ time each engine took its document; -1: idle
  QTimer reviewer_;
  int serial_ = 0;
  bool waiting_ = false;
  bool stopping_ = false;
};

}  // namespace folvane::platform
