#include "OfficeEngine.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <utility>

#include "platform/files/LinuxFiles.h"

namespace folvane::platform {
namespace {

QByteArray hex(const QString& text) {
  return text.toUtf8().toHex();
}

EngineOutcome answerOutcome(const QByteArray& answer) {
  if (answer == "OK") return {};
  if (answer.startsWith("OK ")) {
    EngineOutcome done;
    done.version = FileVersion::FromText(answer.mid(3).toStdString()).value_or(FileVersion{});
    return done;
  }
  if (!answer.startsWith("ERR ")) return {false, QString::fromUtf8(answer), {}};
  const QList<QByteArray> fields = answer.mid(4).split(' ');
  const QString cause = QString::fromUtf8(QByteArray::fromHex(fields.value(0)));
  return {false, QStringLiteral("LibreOffice で開けないか変換できません（%1）。").arg(cause),
          fields.size() > 1 ? QString::fromLatin1(fields[1]) : QString()};
}

}  // namespace

qint64 ProcBytes(const QString& file, const QByteArray& key) {
  QFile info(file);
  if (!info.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : info.readAll().split('\n'))
    if (line.startsWith(key + ':'))
      return line.mid(key.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
  return 0;
}

void EngineOutcome::Throw() const {
  if (ok) return;
  if (!reason.isEmpty()) throw DocumentRefused(reason, message);
  throw Failure(message);
}

OfficeEngine::OfficeEngine(Options options)
    : options_(std::move(options)), timer_(std::make_unique<QTimer>()) {
  timer_->setSingleShot(true);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { onTimeout(); });
}

OfficeEngine::~OfficeEngine() {
  done_ = nullptr;  // nobody waits any more
  Stop();
}

qint64 OfficeEngine::processId() const {
  return process_ && process_->state() == QProcess::Running ? process_->processId() : 0;
}

EngineOutcome OfficeEngine::failure(const QString& message) const {
  return {false, message, {}};
}

void OfficeEngine::Stop() {
  if (done_) {
    // The program ends during a document: the engine goes at once.
    discardProcess(true);
    finish(failure(QStringLiteral("PDF 変換エンジンを変換中に終了しました。")));
  }
  if (process_) {
    timer_->stop();
    process_->disconnect();
    if (process_->state() != QProcess::NotRunning) {
      process_->closeWriteChannel();  // lets LibreOffice write its profile back
      if (!process_->waitForFinished(2000)) {
        process_->kill();
        process_->waitForFinished(3000);
      }
    }
    process_.reset();
  }
  for (QProcess* p : std::exchange(retiring_, {})) {
    p->disconnect();
    if (p->state() != QProcess::NotRunning && !p->waitForFinished(2000)) {
      p->kill();
      p->waitForFinished(3000);
    }
    delete p;
  }
  ready_ = false;
  afterRetiring_ = false;
  documents_ = 0;
}

void OfficeEngine::AskToLeave() {
  if (process_ && !done_ && process_->state() == QProcess::Running) process_->closeWriteChannel();
}

void OfficeEngine::start() {
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
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  if (options_.threads > 0)
    environment.insert(QStringLiteral("MAX_CONCURRENCY"), QString::number(options_.threads));
  if (!options_.tempDir.isEmpty() && QDir().mkpath(options_.tempDir))
    environment.insert(QStringLiteral("TMPDIR"), options_.tempDir);
  process->setProcessEnvironment(environment);
  process->start(options_.helperPath, {options_.programDir, options_.profileDir});
  if (!process->waitForStarted(options_.startTimeoutMs))
    throw Failure(QStringLiteral("PDF 変換エンジンを起動できません。"));
  QObject::connect(process.get(), &QProcess::readyReadStandardOutput, [this] { onOutput(); });
  QObject::connect(process.get(), &QProcess::finished, [this] { onFinished(); });
  process_ = std::move(process);
  ++starts_;
  documents_ = 0;
  ready_ = false;
  timer_->start(options_.startTimeoutMs);
}

void OfficeEngine::Begin(const QString& source, const QString& target, const QString& format,
                         Done done) {
  // One document at a time: a wait lets events through, and nothing they
  // start may hand the engine a second document.
  if (done_) throw Failure(QStringLiteral("PDF 変換エンジンは別の文書を変換中です。"));
  // An engine that died while idle (killed, out of memory) is noticed here,
  // before a document is handed to it, so no document pays for it.
  if (process_ && process_->state() == QProcess::Running) process_->waitForFinished(0);
  if (process_ && process_->state() != QProcess::Running) discardProcess(false);
  fresh_ = !process_;
  // A renewed engine's successor starts once it has left: both would work
  // on the same profile.
  if (fresh_ && !retiring_.empty())
    afterRetiring_ = true;
  else if (fresh_)
    start();
  request_ = "CONVERT " + options_.nativePath(source).toHex() + ' ' + hex(target) + ' ' +
             hex(format) + '\n';
  done_ = std::move(done);
  if (ready_) send();
}

void OfficeEngine::Convert(const QString& source, const QString& target, const QString& format) {
  std::optional<EngineOutcome> outcome;
  // The window thread waits here: repaints and clicks go on meanwhile.
  QEventLoop loop;
  Begin(source, target, format, [&](const EngineOutcome& o) {
    outcome = o;
    loop.quit();
  });
  if (!outcome) loop.exec();
  outcome->Throw();
}

void OfficeEngine::send() {
  process_->write(request_);
  timer_->start(options_.documentTimeoutMs);
}

void OfficeEngine::onOutput() {
  while (process_ && process_->canReadLine()) {
    const QByteArray line = process_->readLine().trimmed();
    if (!ready_) {
      if (line == "READY") {
        ready_ = true;
        timer_->stop();
        if (done_) send();
        continue;
      }
      const QString cause = line.startsWith("ERR ")
                                ? QString::fromUtf8(QByteArray::fromHex(line.mid(4)))
                                : QString::fromUtf8(line);
      discardProcess(true);
      if (done_) finish(failure(QStringLiteral("LibreOffice を起動できません（%1）。").arg(cause)));
      return;
    }
    if (!done_) continue;  // nothing was asked
    timer_->stop();
    ++documents_;
    retireIfWorn();
    finish(answerOutcome(line));
    return;
  }
}

void OfficeEngine::onFinished() {
  const bool started = ready_;
  discardProcess(false);
  if (!done_) return;  // died while idle: the next document starts a new one
  const QString doing = started ? QStringLiteral("変換") : QStringLiteral("起動");
  // A warm engine may have died just before this document reached it
  // (killed, out of memory): one more try on a new engine. A crash of a
  // new engine is the document's own.
  if (!fresh_ && started) {
    try {
      start();
      fresh_ = true;
      return;  // the document goes to it once it is ready
    } catch (const Failure& e) {
      finish(failure(e.message()));
      return;
    }
  }
  finish(failure(QStringLiteral("PDF 変換エンジンが%1中に異常終了しました。").arg(doing)));
}

void OfficeEngine::onTimeout() {
  // An answer already in the pipe counts even though the time ran out.
  if (process_ && process_->state() == QProcess::Running) process_->waitForReadyRead(0);
  // That answer may have let the next document in already, with a timer
  // of its own: the time ran out for the one before.
  if (!done_ || !process_ || timer_->isActive()) return;
  const bool started = ready_;
  discardProcess(true);
  finish(failure(QStringLiteral("PDF 変換エンジンが%1秒以内に%2を終えませんでした。")
                     .arg((started ? options_.documentTimeoutMs : options_.startTimeoutMs) / 1000)
                     .arg(started ? QStringLiteral("変換") : QStringLiteral("起動"))));
}

void OfficeEngine::finish(const EngineOutcome& outcome) {
  Done done = std::exchange(done_, nullptr);
  request_.clear();
  if (done) done(outcome);
}

void OfficeEngine::discardProcess(bool kill) {
  timer_->stop();
  ready_ = false;
  if (!process_) return;
  // Called from the process's own signals too: it is deleted later.
  QProcess* p = process_.release();
  p->disconnect();
  if (kill && p->state() != QProcess::NotRunning) {
    p->kill();
    p->waitForFinished(3000);
  }
  p->deleteLater();
}

void OfficeEngine::retireIfWorn() {
  // Long batches grow LibreOffice; a fresh engine is cheaper than a crash.
  if (documents_ < options_.documentsPerEngine &&
      ProcBytes(QStringLiteral("/proc/%1/status").arg(process_->processId()), "VmRSS") <=
          options_.memoryBoundBytes)
    return;
  QProcess* p = process_.release();
  p->disconnect();
  ready_ = false;
  p->closeWriteChannel();  // it writes its profile back and leaves
  retiring_.push_back(p);
  QObject::connect(p, &QProcess::finished, [this, p] {
    retiring_.erase(std::remove(retiring_.begin(), retiring_.end(), p), retiring_.end());
    p->deleteLater();
    if (!retiring_.empty() || !std::exchange(afterRetiring_, false) || !done_) return;
    try {
      start();
    } catch (const Failure& e) {
      finish(failure(e.message()));
    }
  });
  QTimer::singleShot(5000, p, [p] { p->kill(); });
}

}  // namespace folvane::platform
