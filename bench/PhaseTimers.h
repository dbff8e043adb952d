#pragma once

#include <QList>
#include <QString>
#include <chrono>
#include <memory>

#include "platform/desktop/Ui.h"
#include "platform/files/Files.h"
#include "platform/office/Office.h"
#include "platform/printing/Spooler.h"
#include "platform/profile/Registry.h"

namespace folvane::bench {

// Wall and thread CPU time of one kind of platform call, and how often it ran.
struct Phase {
  qint64 wallNs = 0;
  qint64 cpuNs = 0;  // of the calling thread
  int calls = 0;
};

// Where a batch run spends its time outside ConvertDirectory's own logic.
// Nested calls count in both: the spooler's PrintPdf happens inside PrintOut.
struct Phases {
  Phase listing;           // FileSearch
  Phase registry;          // the output name: RegCreateKeyExA, RegSetValueExA, RegCloseKey
  Phase collectingDelete;  // Delete of the collecting file before each print
  Phase sourceDelete;      // any other Delete
  Phase createApp, open, printOut, quit;
  Phase spooler;  // PrintPdf: read, write, sync and rename of the PDF
  Phase exists;
  Phase move;
  Phase logOpen, logWrite;
  Phase clock;
  Phase doEvents;
  qint64 spooledBytes = 0;       // PDF bytes handed to the spooler
  QList<qint64> printOutEachNs;  // wall time of every PrintOut, in run order
};

// Accumulates wall and thread CPU time into a phase while in scope.
class Timed {
 public:
  explicit Timed(Phase& phase);
  ~Timed();
  Timed(const Timed&) = delete;
  Timed& operator=(const Timed&) = delete;

 private:
  Phase& phase_;
  std::chrono::steady_clock::time_point wall_;
  qint64 cpu_;
};

qint64 ThreadCpuNs();

// User and system CPU time of a process and all its threads, from
// /proc/<pid>/stat; 0 when it is gone.
qint64 ProcessCpuNs(qint64 pid);

// Peak resident memory (VmHWM) of a process in KiB; 0 when it is gone.
qint64 PeakKiB(qint64 pid);

class TimedFiles final : public platform::Files {
 public:
  TimedFiles(platform::Files& inner, Phases& phases, QString collectingFile)
      : inner_(inner), phases_(phases), collectingFile_(std::move(collectingFile)) {}
  QStringList FileSearch(const QString& pattern, QStringList* unreadable = nullptr) override;
  QString OpenablePath(const QString& path) override { return inner_.OpenablePath(path); }
  std::unique_ptr<platform::AppendFile> OpenForAppend(const QString& path) override;
  bool Exists(const QString& path) override;
  bool Move(const QString& from, const QString& to) override;
  bool Delete(const QString& path) override;
  platform::Deletion DeleteVersion(const QString& path,
                                   const platform::FileVersion& version) override;
  std::unique_ptr<platform::FolderClaim> ClaimFolder(const QString& folder) override {
    return inner_.ClaimFolder(folder);
  }

 private:
  platform::Files& inner_;
  Phases& phases_;
  QString collectingFile_;
};

class TimedRegistry final : public platform::Registry {
 public:
  TimedRegistry(platform::Registry& inner, Phases& phases) : inner_(inner), phases_(phases) {}
  long RegCreateKeyExA(platform::HKEY key, const QString& subKey, uint32_t reserved,
                       const QString& keyClass, uint32_t options, uint32_t samDesired,
                       const void* securityAttributes, platform::HKEY* result,
                       uint32_t* disposition) override;
  long RegSetValueExA(platform::HKEY key, const QString& valueName, uint32_t reserved,
                      uint32_t type, std::span<const char> data) override;
  long RegCloseKey(platform::HKEY key) override;
  std::optional<QByteArray> ReadValue(const QString& subKey, const QString& valueName) override {
    return inner_.ReadValue(subKey, valueName);
  }

 private:
  platform::Registry& inner_;
  Phases& phases_;
};

class TimedSpooler final : public platform::Spooler {
 public:
  TimedSpooler(platform::Spooler& inner, Phases& phases) : inner_(inner), phases_(phases) {}
  void PrintPdf(const QString& pdfPath, const QString& title) override;
  QList<platform::Diversion> TakeDiversions() override { return inner_.TakeDiversions(); }

 private:
  platform::Spooler& inner_;
  Phases& phases_;
};

class TimedOffice final : public platform::Office {
 public:
  TimedOffice(platform::Office& inner, Phases& phases) : inner_(inner), phases_(phases) {}
  std::unique_ptr<platform::OfficeApplication> CreateApplication(
      platform::OfficeKind kind) override;
  void Expect(const QStringList& paths) override { inner_.Expect(paths); }

 private:
  platform::Office& inner_;
  Phases& phases_;
};

class TimedClock final : public platform::Clock {
 public:
  TimedClock(platform::Clock& inner, Phases& phases) : inner_(inner), phases_(phases) {}
  QString DateText() override;
  QString TimeText() override;

 private:
  platform::Clock& inner_;
  Phases& phases_;
};

// The window toolkit as the program has it: the event pass really runs the
// pending events (the bench has no windows, so only what the run posted).
class TimedUi final : public platform::Ui {
 public:
  explicit TimedUi(Phases& phases) : phases_(phases) {}
  void DoEvents() override;
  void Beep() override {}
  std::optional<QString> OpenFileDialog(const QString&, int, const QString&) override {
    return std::nullopt;
  }
  int messages = 0;

 protected:
  void showMessage(const QString&, platform::MsgIcon, const QString&) override { ++messages; }

 private:
  Phases& phases_;
};

// The phases as lines of milliseconds per file, with what is left of
// `wholeNs` (the run's own logic) at the end.
QString Breakdown(const Phases& phases, int files, qint64 wholeNs);

}  // namespace folvane::bench
