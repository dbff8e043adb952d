#pragma once

#include <QFile>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Failure.h"
#include "platform/files/FileVersion.h"

class QProcess;
class QTimer;

namespace folvane::platform {

// A document the engine refused, with the helper's reason: "empty",
// "password", "damaged", "text", "picture" or "unknown".
class DocumentRefused : public Failure {
 public:
  DocumentRefused(QString reason, const QString& message)
      : Failure(message), reason_(std::move(reason)) {}
  const QString& reason() const { return reason_; }

 private:
  QString reason_;
};

// A "Key:   N kB" figure of a /proc file (status, meminfo) in bytes; 0
// when there is none.
qint64 ProcBytes(const QString& file, const QByteArray& key);

// How one document went: nothing to say, or the failure to throw.
struct EngineOutcome {
  bool ok = true;
  QString message;
  QString reason;  // set when the document itself was refused
  // What the converted copy of the source held; unknown when the helper
  // does not say.
  FileVersion version{};
  void Throw() const;
};

// One warm LibreOffice in the helper process folvane-office: started on
// first use, kept across documents and runs, restarted after a crash or a
// hang, after a number of documents or past a memory bound. One document
// at a time; the answer comes through the event loop.
class OfficeEngine {
 public:
  struct Options {
    QString helperPath;  // the folvane-office executable
    QString programDir = QStringLiteral("/usr/lib/libreoffice/program");
    QString profileDir;  // LibreOffice user profile of its own
    int startTimeoutMs = 60000;
    int documentTimeoutMs = 120000;
    // LibreOffice slows down document by document (a fresh one renders a
    // third faster after 100 documents) and a warm restart takes 0.2 s.
    int documentsPerEngine = 40;
    qint64 memoryBoundBytes = qint64(1536) << 20;
    // LibreOffice's worker threads per engine (MAX_CONCURRENCY); 0: its own
    // choice, one per core.
    int threads = 0;
    // Where LibreOffice keeps its temporary files (a folder per engine
    // start, left behind when the engine is ended); empty: the system's.
    QString tempDir;
    // The bytes a path names on disk (a CP932 name a listing read has no
    // other spelling).
    std::function<QByteArray(const QString&)> nativePath = [](const QString& path) {
      return QFile::encodeName(path);
    };
  };
  using Done = std::function<void(const EngineOutcome&)>;

  explicit OfficeEngine(Options options);
  ~OfficeEngine();
  OfficeEngine(const OfficeEngine&) = delete;
  OfficeEngine& operator=(const OfficeEngine&) = delete;

  // Hands `source` to the engine, starting one when none runs, and returns;
  // `done` is called from the event loop with the outcome. A crashed or hung
  // engine is ended, and the next document starts a new one. Throws
  // platform::Failure when no engine can be started or one is busy.
  void Begin(const QString& source, const QString& target, const QString& format, Done done);

  // Converts `source` into `target` in `format` ("pdf", "doc", "xls", ...)
  // and waits for it, processing window events meanwhile. Throws
  // platform::Failure with the cause (DocumentRefused when the document
  // itself is the cause).
  void Convert(const QString& source, const QString& target, const QString& format);

  // Ends the helper process: asks it to leave, then kills it. With a
  // document in hand it kills it at once, and that document fails.
  void Stop();
  // Asks an idle helper to leave without waiting: Stop then finds it gone,
  // so several engines end side by side.
  void AskToLeave();

  bool busy() const { return bool(done_); }
  // The helper's process id while it runs, 0 otherwise.
  qint64 processId() const;
  int starts() const { return starts_; }
  const QString& profileDir() const { return options_.profileDir; }

 private:
  void start();
  void send();
  void onOutput();
  void onFinished();
  void onTimeout();
  void finish(const EngineOutcome& outcome);
  void discardProcess(bool kill);
  void retireIfWorn();
  EngineOutcome failure(const QString& message) const;

  Options options_;
  std::unique_ptr<QProcess> process_;
  std::unique_ptr<QTimer> timer_;
  std::vector<QProcess*> retiring_;
  bool ready_ = false;
  int documents_ = 0;
  int starts_ = 0;

  // The document in hand.
  QByteArray request_;
  Done done_;
  bool fresh_ = false;          // its engine was started for it
  bool afterRetiring_ = false;  // it waits for the renewed engine to leave
};

}  // namespace folvane::platform
