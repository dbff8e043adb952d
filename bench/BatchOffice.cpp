#include "BatchOffice.h"

#include "platform/office/LokOffice.h"
#include "platform/office/OfficeEngine.h"

namespace folvane::bench {
namespace {

// One warm engine, as the program runs today.
class OneEngineOffice final : public BatchOffice {
 public:
  OneEngineOffice(const BatchOfficeSetup& setup, platform::Spooler& spooler)
      : engine_(options(setup)), office_(engine_, spooler, setup.spoolDir) {}
  platform::Office& office() override { return office_; }
  QList<qint64> enginePids() const override {
    return engine_.processId() ? QList<qint64>{engine_.processId()} : QList<qint64>{};
  }

 private:
  static platform::OfficeEngine::Options options(const BatchOfficeSetup& setup) {
    platform::OfficeEngine::Options o;
    o.helperPath = setup.helperPath;
    o.profileDir = setup.profileDir;
    return o;
  }
  platform::OfficeEngine engine_;
  platform::LokOffice office_;
};

}  // namespace

std::unique_ptr<BatchOffice> MakeBatchOffice(const BatchOfficeSetup& setup,
                                             platform::Spooler& spooler) {
  return std::make_unique<OneEngineOffice>(setup, spooler);
}

}  // namespace folvane::bench
