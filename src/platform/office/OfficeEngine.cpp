#include "OfficeEngine.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <limits>
#include <utility>

#include "platform/Failure.h"
#include "platform/LinuxFiles.h"

namespace folvane::platform {
namespace {

QByteArray hex(const QString& text) {
  return text.toUtf8().toHex();
}

// Resident memory of a process in bytes, from /proc.
qint64 residentBytes(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:"))
      return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
  }
  return 0;
}

}  // namespace

OfficeEngine::OfficeEngine(Options options) : options_(std::move(options)) {}

OfficeEngine::~OfficeEngine() {
  Stop();
}

qint64 OfficeEngine::processId() const {
  return process_ && process_->state() == QProcess::Running ? process_->processId() : 0;
}

void OfficeEngine::Stop() {
  if (!process_) return;
  if (waiting_) {
    // Called from inside a wait (the program ends during a document): the
    // engine goes at once, and the wait sees it gone and cleans up.
    stopped_ = true;
    process_->kill();
    return;
  }
  if (process_->state() != QProcess::NotRunning) {
    process_->closeWriteChannel();  // lets LibreOffice write its profile back
    if (!process_->waitForFinished(2000)) {
      process_->kill();
      process_->waitForFinished(3000);
    }
  }
  process_.reset();
  documents_ = 0;
}

void OfficeEngine::ensureStarted() {
  // An engine that died while idle (killed, out of memory) is noticed here,
  // before a document is handed to it, so no document pays for it.
  if (process_ && process_->state() == QProcess::Running) process_->waitForFinished(0);
  if (process_ && process_->state() == QProcess::Running) return;
  process_.reset();
  if (!QFileInfo(options_.helperPath).isExecutable())
    throw Failure(
        QStringLiteral("PDF 変換エンジン「%1」が見つかりません。").arg(options_.helperPath));
  if (!QFileInfo(options_.programDir).isDir())
    throw Failure(
        QStringLiteral("LibreOffice がインストールされていないため、Word・Excel "
                       "ファイルを変換できません。"));
  QDir().mkpath(options_.profileDir);
  auto process = std::make_unique<QProcess>();
  process->setProcessChannelMode(QProcess::SeparateChannels);
  process->setStandardErrorFile(QProcess::nullDevice());
  process->start(options_.helperPath, {options_.programDir, options_.profileDir});
  if (!process->waitForStarted(options_.startTimeoutMs))
    throw Failure(QStringLiteral("PDF 変換エンジンを起動できません。"));
  process_ = std::move(process);
  ++starts_;
  documents_ = 0;
  const QByteArray hello = readLine(options_.startTimeoutMs, QStringLiteral("起動"));
  if (hello != "READY") {
    Stop();
    const QString cause = hello.startsWith("ERR ")
                              ? QString::fromUtf8(QByteArray::fromHex(hello.mid(4)))
                              : QString::fromUtf8(hello);
    throw Failure(QStringLiteral("LibreOffice を起動できません（%1）。").arg(cause));
  }
}

void OfficeEngine::waitForOutput(const QDeadlineTimer& deadline) {
  // The window thread waits here: repaints and clicks go on meanwhile.
  QEventLoop loop;
  QProcess* process = process_.get();
  QObject::connect(process, &QProcess::readyReadStandardOutput, &loop, &QEventLoop::quit);
  QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(int(qMin<qint64>(deadline.remainingTime(), std::numeric_limits<int>::max())));
  waiting_ = true;
  loop.exec();
  waiting_ = false;
}

QByteArray OfficeEngine::readLine(int timeoutMs, const QString& doing) {
  timedOut_ = false;
  QDeadlineTimer deadline(timeoutMs);
  while (!process_->canReadLine()) {
    if (stopped_ || process_->state() != QProcess::Running) {
      process_->waitForFinished(3000);
      process_.reset();
      if (stopped_)
        throw Failure(QStringLiteral("PDF 変換エンジンを%1中に終了しました。").arg(doing));
      throw Failure(QStringLiteral("PDF 変換エンジンが%1中に異常終了しました。").arg(doing));
    }
    // An answer that came while a window was open in the wait counts even
    // when the time ran out meanwhile.
    if (deadline.hasExpired()) {
      process_->kill();
      process_->waitForFinished(3000);
      process_.reset();
      timedOut_ = true;
      throw Failure(QStringLiteral("PDF 変換エンジンが%1秒以内に%2を終えませんでした。")
                        .arg(timeoutMs / 1000)
                        .arg(doing));
    }
    waitForOutput(deadline);
  }
  return process_->readLine().trimmed();
}

void OfficeEngine::restartIfWorn() {
  // Long batches grow LibreOffice; a fresh engine is cheaper than a crash.
  if (!process_) return;
  if (documents_ >= options_.documentsPerEngine ||
      residentBytes(process_->processId()) > options_.memoryBoundBytes)
    Stop();
}

void OfficeEngine::Convert(const QString& source, const QString& target, const QString& format) {
  const QByteArray request =
      "CONVERT " + NativePath(source).toHex() + ' ' + hex(target) + ' ' + hex(format) + '\n';
  // One document at a time: a wait lets events through, and nothing they
  // start may hand the engine a second document.
  if (waiting_) throw Failure(QStringLiteral("PDF 変換エンジンは別の文書を変換中です。"));
  stopped_ = false;
  const int startsBefore = starts_;
  ensureStarted();
  const bool fresh = starts_ != startsBefore;
  QByteArray answer;
  try {
    process_->write(request);
    answer = readLine(options_.documentTimeoutMs, QStringLiteral("変換"));
  } catch (const Failure&) {
    // A warm engine may have died just before this document reached it
    // (killed, out of memory): one more try on a new engine. A hang, or a
    // crash of a new engine, is the document's own.
    if (fresh || timedOut_ || stopped_) throw;
    ensureStarted();
    process_->write(request);
    answer = readLine(options_.documentTimeoutMs, QStringLiteral("変換"));
  }
  ++documents_;
  restartIfWorn();
  if (answer == "OK") return;
  if (!answer.startsWith("ERR ")) throw Failure(QString::fromUtf8(answer));
  const QList<QByteArray> fields = answer.mid(4).split(' ');
  const QString cause = QString::fromUtf8(QByteArray::fromHex(fields.value(0)));
  const QString message =
      QStringLiteral("LibreOffice で開けないか変換できません（%1）。").arg(cause);
  if (fields.size() > 1) throw DocumentRefused(QString::fromLatin1(fields[1]), message);
  throw Failure(message);
}

}  // namespace folvane::platform
