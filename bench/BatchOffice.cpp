#include "BatchOffice.h"

#include <QThread>

#include "platform/office/EnginePool.h"
#include "platform/office/LokOffice.h"

namespace folvane::bench {
namespace {

// The engines as the program has them: one per core the memory allows,
// working as the processor the machine gives makes faster (BENCH_ENGINES
// sets another number, all working).
class PoolOffice final : public BatchOffice {
 public:
  PoolOffice(const BatchOfficeSetup& setup, platform::Spooler& spooler)
      : pool_(options(setup), EngineCountHere(),
              qEnvironmentVariableIntValue("BENCH_ENGINES") > 0 ? nullptr : &cpu_),
        office_(pool_, spooler, setup.spoolDir) {}
  platform::Office& office() override { return office_; }
  QList<qint64> enginePids() const override {
    QList<qint64> pids;
    for (int i = 0; i < pool_.size(); ++i)
      if (const qint64 pid = pool_.engine(i).processId()) pids << pid;
    return pids;
  }
  int enginesUsed() const override { return pool_.mostWorking(); }

 private:
  static platform::OfficeEngine::Options options(const BatchOfficeSetup& setup) {
    platform::OfficeEngine::Options o;
    o.helperPath = setup.helperPath;
    o.profileDir = setup.profileDir;
    if (const int n = qEnvironmentVariableIntValue("BENCH_DOCUMENTS_PER_ENGINE"); n > 0)
      o.documentsPerEngine = n;
    return o;
  }
  platform::LinuxCpuGauge cpu_;
  platform::EnginePool pool_;
  platform::LokOffice office_;
};

}  // namespace

int EngineCountHere() {
  const int forced = qEnvironmentVariableIntValue("BENCH_ENGINES");
  return forced > 0
             ? forced
             : platform::EngineCount(QThread::idealThreadCount(), platform::AvailableMemory());
}

std::unique_ptr<BatchOffice> MakeBatchOffice(const BatchOfficeSetup& setup,
                                             platform::Spooler& spooler) {
  return std::make_unique<PoolOffice>(setup, spooler);
}

}  // namespace folvane::bench
