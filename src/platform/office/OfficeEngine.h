#pragma once

#include <QString>
#include <memory>

#include "platform/Failure.h"

class QDeadlineTimer;
class QProcess;

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

// One warm LibreOffice in the helper process folvane-office: started on
// first use, kept across documents and runs, restarted after a crash or a
// hang, after a number of documents or past a memory bound.
class OfficeEngine {
 public:
  struct Options {
    QString helperPath;  // the folvane-office executable
    QString programDir = QStringLiteral("/usr/lib/libreoffice/program");
    QString profileDir;  // LibreOffice user profile of its own
    int startTimeoutMs = 60000;
    int documentTimeoutMs = 120000;
    int documentsPerEngine = 200;
    qint64 memoryBoundBytes = qint64(1536) << 20;
  };

  explicit OfficeEngine(Options options);
  ~OfficeEngine();
  OfficeEngine(const OfficeEngine&) = delete;
  OfficeEngine& operator=(const OfficeEngine&) = delete;

  // Converts `source` into `target` in `format` ("pdf", "doc", "xls", ...).
  // Throws platform::Failure with the cause (DocumentRefused when the
  // document itself is the cause); a crashed or hung engine is ended, and
  // the next call starts a new one. Window events are processed while the
  // engine works.
  void Convert(const QString& source, const QString& target, const QString& format);

  // Ends the helper process: asks it to leave, then kills it. During a
  // conversion (called from an event the wait let through) it kills it at
  // once, and that conversion fails.
  void Stop();

  // The helper's process id while it runs, 0 otherwise.
  qint64 processId() const;
  int starts() const { return starts_; }
  const QString& profileDir() const { return options_.profileDir; }

 private:
  void ensureStarted();
  QByteArray readLine(int timeoutMs, const QString& doing);
  void waitForOutput(const QDeadlineTimer& deadline);
  void restartIfWorn();

  Options options_;
  std::unique_ptr<QProcess> process_;
  int documents_ = 0;
  int starts_ = 0;
  bool timedOut_ = false;
  bool waiting_ = false;
  bool stopped_ = false;
};

}  // namespace folvane::platform
