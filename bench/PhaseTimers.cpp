#include "PhaseTimers.h"

#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "platform/office/OfficeEngine.h"
#include "platform/process/CpuGauge.h"

namespace folvane::bench {

qint64 ThreadCpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

Timed::Timed(Phase& phase)
    : phase_(phase), wall_(std::chrono::steady_clock::now()), cpu_(ThreadCpuNs()) {}

Timed::~Timed() {
  phase_.wallNs +=
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - wall_)
          .count();
  phase_.cpuNs += ThreadCpuNs() - cpu_;
  ++phase_.calls;
}

qint64 ProcessCpuNs(qint64 pid) {
  return platform::LinuxCpuGauge().ProcessNs(pid);
}

qint64 PeakKiB(qint64 pid) {
  if (pid <= 0) return 0;
  return platform::ProcBytes(QStringLiteral("/proc/%1/status").arg(pid), "VmHWM") / 1024;
}

QStringList TimedFiles::FileSearch(const QString& pattern, QStringList* unreadable) {
  Timed t(phases_.listing);
  return inner_.FileSearch(pattern, unreadable);
}

namespace {

class TimedAppendFile final : public platform::AppendFile {
 public:
  TimedAppendFile(std::unique_ptr<platform::AppendFile> inner, Phase& phase)
      : inner_(std::move(inner)), phase_(phase) {}
  bool WriteLine(const QString& text) override {
    Timed t(phase_);
    return inner_->WriteLine(text);
  }

 private:
  std::unique_ptr<platform::AppendFile> inner_;
  Phase& phase_;
};

class TimedApplication final : public platform::OfficeApplication {
 public:
  TimedApplication(std::unique_ptr<platform::OfficeApplication> inner, Phases& phases)
      : inner_(std::move(inner)), phases_(phases) {}
  void Open(const QString& path) override {
    Timed t(phases_.open);
    inner_->Open(path);
  }
  void PrintOut() override {
    // Also when the print throws: destroyed after the timer below.
    struct Each {
      Phases& phases;
      qint64 before;
      ~Each() { phases.printOutEachNs << phases.printOut.wallNs - before; }
    } each{phases_, phases_.printOut.wallNs};
    Timed t(phases_.printOut);
    inner_->PrintOut();
  }
  void Quit() override {
    Timed t(phases_.quit);
    inner_->Quit();
  }
  platform::FileVersion PrintedVersion() const override { return inner_->PrintedVersion(); }

 private:
  std::unique_ptr<platform::OfficeApplication> inner_;
  Phases& phases_;
};

}  // namespace

std::unique_ptr<platform::AppendFile> TimedFiles::OpenForAppend(const QString& path) {
  std::unique_ptr<platform::AppendFile> file;
  {
    Timed t(phases_.logOpen);
    file = inner_.OpenForAppend(path);
  }
  if (!file) return nullptr;
  return std::make_unique<TimedAppendFile>(std::move(file), phases_.logWrite);
}

bool TimedFiles::Exists(const QString& path) {
  Timed t(phases_.exists);
  return inner_.Exists(path);
}

bool TimedFiles::Move(const QString& from, const QString& to) {
  Timed t(phases_.move);
  return inner_.Move(from, to);
}

bool TimedFiles::Delete(const QString& path) {
  Timed t(path == collectingFile_ ? phases_.collectingDelete : phases_.sourceDelete);
  return inner_.Delete(path);
}

platform::Deletion TimedFiles::DeleteVersion(const QString& path,
                                             const platform::FileVersion& version) {
  Timed t(phases_.sourceDelete);
  return inner_.DeleteVersion(path, version);
}

long TimedRegistry::RegCreateKeyExA(platform::HKEY key, const QString& subKey, uint32_t reserved,
                                    const QString& keyClass, uint32_t options, uint32_t samDesired,
                                    const void* securityAttributes, platform::HKEY* result,
                                    uint32_t* disposition) {
  Timed t(phases_.registry);
  return inner_.RegCreateKeyExA(key, subKey, reserved, keyClass, options, samDesired,
                                securityAttributes, result, disposition);
}

long TimedRegistry::RegSetValueExA(platform::HKEY key, const QString& valueName, uint32_t reserved,
                                   uint32_t type, std::span<const char> data) {
  Timed t(phases_.registry);
  return inner_.RegSetValueExA(key, valueName, reserved, type, data);
}

long TimedRegistry::RegCloseKey(platform::HKEY key) {
  Timed t(phases_.registry);
  return inner_.RegCloseKey(key);
}

void TimedSpooler::PrintPdf(const QString& pdfPath, const QString& title) {
  phases_.spooledBytes += QFileInfo(pdfPath).size();  // outside the timing
  Timed t(phases_.spooler);
  inner_.PrintPdf(pdfPath, title);
}

std::unique_ptr<platform::OfficeApplication> TimedOffice::CreateApplication(
    platform::OfficeKind kind) {
  std::unique_ptr<platform::OfficeApplication> app;
  {
    Timed t(phases_.createApp);
    app = inner_.CreateApplication(kind);
  }
  return std::make_unique<TimedApplication>(std::move(app), phases_);
}

QString TimedClock::DateText() {
  Timed t(phases_.clock);
  return inner_.DateText();
}

QString TimedClock::TimeText() {
  Timed t(phases_.clock);
  return inner_.TimeText();
}

void TimedUi::DoEvents() {
  Timed t(phases_.doEvents);
  QCoreApplication::processEvents();
}

QString Breakdown(const Phases& p, int files, qint64 wholeNs) {
  const double n = files > 0 ? files : 1;
  QString out;
  const auto line = [&](const char* what, const Phase& phase) {
    out += QString::asprintf("  %-46s %8.2f ms  (CPU %7.2f ms, %5.1f calls)\n", what,
                             phase.wallNs / 1e6 / n, phase.cpuNs / 1e6 / n, phase.calls / n);
  };
  out += QString::asprintf("  %-46s %8.2f ms\n", "whole file (ConvertDirectory / files)",
                           wholeNs / 1e6 / n);
  line("print: Open + PrintOut + Quit, of which",
       Phase{p.open.wallNs + p.printOut.wallNs + p.quit.wallNs,
             p.open.cpuNs + p.printOut.cpuNs + p.quit.cpuNs, p.printOut.calls});
  const Phase roundTrip{p.printOut.wallNs - p.spooler.wallNs, p.printOut.cpuNs - p.spooler.cpuNs,
                        p.printOut.calls};
  line("  engine round trip (PrintOut - PrintPdf)", roundTrip);
  line("  spooler write, sync, rename (PrintPdf)", p.spooler);
  line("  Open + Quit + CreateApplication",
       Phase{p.open.wallNs + p.quit.wallNs + p.createApp.wallNs,
             p.open.cpuNs + p.quit.cpuNs + p.createApp.cpuNs, p.open.calls});
  line("output name in the registry", p.registry);
  line("delete the collecting file", p.collectingDelete);
  line("move into the destination", p.move);
  line("file checks (Exists)", p.exists);
  line("log open and writes", Phase{p.logOpen.wallNs + p.logWrite.wallNs,
                                    p.logOpen.cpuNs + p.logWrite.cpuNs, p.logWrite.calls});
  line("date and time", p.clock);
  line("event pass (DoEvents)", p.doEvents);
  line("listing (FileSearch)", p.listing);
  if (p.sourceDelete.calls) line("delete sources", p.sourceDelete);
  const qint64 timed = p.createApp.wallNs + p.open.wallNs + p.printOut.wallNs + p.quit.wallNs +
                       p.registry.wallNs + p.collectingDelete.wallNs + p.sourceDelete.wallNs +
                       p.move.wallNs + p.exists.wallNs + p.logOpen.wallNs + p.logWrite.wallNs +
                       p.clock.wallNs + p.doEvents.wallNs + p.listing.wallNs;
  out += QString::asprintf("  %-46s %8.2f ms\n", "the rest (the run's own logic, progress)",
                           (wholeNs - timed) / 1e6 / n);
  out += QString::asprintf("  %-46s %8.0f KB\n", "PDF bytes spooled per file",
                           p.spooledBytes / 1024.0 / n);
  return out;
}

}  // namespace folvane::bench
