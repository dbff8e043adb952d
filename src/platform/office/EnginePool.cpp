#include "EnginePool.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <algorithm>

#include "platform/files/LinuxFiles.h"

namespace folvane::platform {
namespace {

constexpr qint64 kEngineBytes = qint64(300) << 20;
// How often the pool looks at what the engines got while they work.
constexpr int kReviewMs = 200;

}  // namespace

int EngineCount(int cores, qint64 availableBytes) {
  const qint64 byMemory = availableBytes / 2 / kEngineBytes;
  return int(std::max<qint64>(1, std::min<qint64>(cores, byMemory)));
}

qint64 AvailableMemory() {
  return ProcBytes(QStringLiteral("/proc/meminfo"), "MemAvailable");
}

struct EnginePool::Job {
  QString source;
  QString output;
  QString format;
  FileStamp began;  // the source as its rendering began
  enum { Queued, Running, Done } state = Queued;
  EngineOutcome outcome;
  bool dropped = false;
  QEventLoop* waiter = nullptr;

  void end(const EngineOutcome& o) {
    outcome = o;
    state = Done;
    if (dropped) QFile::remove(output);
    if (waiter) waiter->quit();
  }
};

EnginePool::EnginePool(const OfficeEngine::Options& options, int engines, const CpuGauge* gauge)
    : nativePath_(options.nativePath), gauge_(gauge), share_(engines) {
  engines = std::max(1, engines);
  busySince_.assign(size_t(engines), -1);
  stretch_.busyNs.assign(size_t(engines), 0);
  clock_.start();
  reviewer_.setInterval(kReviewMs);
  QObject::connect(&reviewer_, &QTimer::timeout, [this] { review(); });
  for (int i = 0; i < engines; ++i) {
    OfficeEngine::Options own = options;
    if (i > 0) own.profileDir += u'.' + QString::number(i);
    // Engines side by side share the cores: LibreOffice's own threads on
    // top of them cost more than they bring (a fifth of the CPU per
    // document of several pages).
    if (own.threads == 0) own.threads = std::max(1, QThread::idealThreadCount() / engines);
    engines_.push_back(std::make_unique<OfficeEngine>(own));
  }
}

EnginePool::~EnginePool() {
  Stop();
}

QStringList EnginePool::profileDirs() const {
  QStringList dirs;
  for (const auto& e : engines_) dirs << e->profileDir();
  return dirs;
}

void EnginePool::Stop() {
  stopping_ = true;
  reviewer_.stop();
  for (const auto& job : std::exchange(ahead_, {})) {
    drop(job);
    if (job->state == Job::Queued)
      job->end({false, QStringLiteral("PDF 変換エンジンを変換中に終了しました。"), {}});
  }
  for (const auto& e : engines_) e->AskToLeave();
  for (const auto& e : engines_) e->Stop();
  stopping_ = false;
}

void EnginePool::drop(const std::shared_ptr<Job>& job) {
  job->dropped = true;
  if (job->state == Job::Done) QFile::remove(job->output);
}

int EnginePool::idleEngine() const {
  // A warm engine first; another is started only when all warm ones work.
  int cold = -1;
  for (int i = 0; i < working(); ++i) {
    if (engines_[size_t(i)]->busy()) continue;
    if (engines_[size_t(i)]->processId() > 0) return i;
    if (cold < 0) cold = i;
  }
  return cold;
}

bool EnginePool::backlogged() const {
  const size_t window = std::min(ahead_.size(), 2 * size_t(working()));
  return idleEngine() < 0 && std::any_of(ahead_.begin(), ahead_.begin() + long(window),
                                         [](const auto& j) { return j->state == Job::Queued; });
}

void EnginePool::noteBusy(int engine, bool busy) {
  qint64& since = busySince_[size_t(engine)];
  const qint64 now = clock_.nsecsElapsed();
  if (!busy && since >= 0)
    stretch_.busyNs[size_t(engine)] += now - std::max(since, stretch_.startNs);
  since = busy ? now : -1;
}

void EnginePool::beginStretch() {
  stretch_.startNs = clock_.nsecsElapsed();
  stretch_.idleNs = gauge_->IdleNs();
  stretch_.backlog = false;
  stretch_.pid.clear();
  stretch_.cpuNs.clear();
  stretch_.busyNs.assign(engines_.size(), 0);
  for (const auto& e : engines_) {
    stretch_.pid.push_back(e->processId());
    stretch_.cpuNs.push_back(gauge_->ProcessNs(e->processId()));
  }
}

EngineShare::Reading EnginePool::reading() const {
  const qint64 now = clock_.nsecsElapsed();
  EngineShare::Reading r;
  r.seconds = (now - stretch_.startNs) / 1e9;
  r.idleCores = (gauge_->IdleNs() - stretch_.idleNs) / 1e9 / std::max(r.seconds, 1e-3);
  r.backlog = stretch_.backlog;
  r.engineCores = 0;
  for (int i = 0; i < working(); ++i) {
    const size_t k = size_t(i);
    const qint64 pid = engines_[k]->processId();
    qint64 busy = stretch_.busyNs[k];
    if (busySince_[k] >= 0) busy += now - std::max(busySince_[k], stretch_.startNs);
    // An engine renewed on the way, or one that had little to do, tells
    // nothing of what the processor gives.
    if (pid <= 0 || (stretch_.pid[k] > 0 && stretch_.pid[k] != pid) ||
        busy < (now - stretch_.startNs) / 2) {
      r.engineCores = -1;
      return r;
    }
    r.engineCores +=
        (gauge_->ProcessNs(pid) - (stretch_.pid[k] > 0 ? stretch_.cpuNs[k] : 0)) / double(busy);
  }
  return r;
}

void EnginePool::review() {
  if (!gauge_ || stretch_.pid.size() != engines_.size()) return;
  stretch_.backlog = stretch_.backlog || backlogged();
  const EngineShare::Reading r = reading();
  if (r.seconds < EngineShare::kLeastSeconds) return;
  const bool changed = share_.Take(r);
  beginStretch();
  if (changed) dispatch();
}

void EnginePool::dispatch() {
  if (stopping_) return;
  // Rendering runs at most two documents per engine ahead of the run.
  const size_t window = std::min(ahead_.size(), 2 * size_t(working()));
  for (size_t i = 0; i < window; ++i) {
    const std::shared_ptr<Job> job = ahead_[i];
    if (job->state != Job::Queued) continue;
    const int engine = idleEngine();
    if (engine < 0) {
      stretch_.backlog = true;
      break;
    }
    job->began = StampOf(nativePath_(job->source));
    job->state = Job::Running;
    noteBusy(engine, true);
    try {
      engines_[size_t(engine)]->Begin(job->source, job->output, job->format,
                                      [this, job, engine](const EngineOutcome& o) {
                                        noteBusy(engine, false);
                                        job->end(o);
                                        review();
                                        dispatch();
                                      });
    } catch (const Failure& e) {
      noteBusy(engine, false);
      job->end({false, e.message(), {}});
    }
  }
  // Looks at what the engines get while any works.
  if (!gauge_) return;
  const bool working =
      std::any_of(engines_.begin(), engines_.end(), [](const auto& e) { return e->busy(); });
  if (working && !reviewer_.isActive()) {
    beginStretch();
    reviewer_.start();
  } else if (!working) {
    reviewer_.stop();
  }
}

void EnginePool::Expect(const QStringList& sources, const QString& spoolDir) {
  for (const auto& job : std::exchange(ahead_, {})) drop(job);
  if (sources.isEmpty()) return;
  QDir().mkpath(spoolDir);
  for (const QString& source : sources) {
    auto job = std::make_shared<Job>();
    job->source = source;
    job->format = QStringLiteral("pdf");
    job->output = spoolDir + QStringLiteral("/ahead-%1.pdf").arg(++serial_);
    ahead_.push_back(job);
  }
  dispatch();
}

void EnginePool::wait(const std::shared_ptr<Job>& job) {
  if (job->state == Job::Done) return;
  // The window thread waits here: repaints and clicks go on meanwhile.
  QEventLoop loop;
  job->waiter = &loop;
  waiting_ = true;
  loop.exec();
  waiting_ = false;
  job->waiter = nullptr;
}

EngineOutcome EnginePool::take(const QString& source, const QString& target, const QString& format,
                               bool ahead) {
  // One document waited for at a time: nothing a wait lets through may
  // start a second.
  if (waiting_) throw Failure(QStringLiteral("PDF 変換エンジンは別の文書を変換中です。"));
  std::shared_ptr<Job> job;
  if (ahead) {
    const auto found = std::find_if(ahead_.begin(), ahead_.end(),
                                    [&](const auto& j) { return j->source == source; });
    if (found != ahead_.end()) {
      // What the run passed by is not wanted any more.
      std::for_each(ahead_.begin(), found, [this](const auto& j) { drop(j); });
      ahead_.erase(ahead_.begin(), found);
      job = ahead_.front();
    }
  }
  // A file changed since the copy its rendering read (or, when that failed,
  // since it began: a copy still arriving) is rendered again, a few times at
  // most: the last rendering names the version it shows.
  constexpr int kRenderings = 3;
  for (int round = 0; round < kRenderings; ++round) {
    if (!job) {
      job = std::make_shared<Job>();
      job->source = source;
      job->output = target;
      job->format = format;
      ahead_.push_front(job);
    }
    dispatch();
    wait(job);
    if (!ahead_.empty() && ahead_.front() == job) ahead_.pop_front();
    const FileVersion& rendered = job->outcome.version;
    const FileStamp& read = job->outcome.ok && rendered.known() ? rendered.stamp : job->began;
    if (StampOf(nativePath_(source)) == read || round + 1 == kRenderings) break;
    if (job->output != target) QFile::remove(job->output);
    job.reset();
  }
  if (job->output != target) {  // rendered ahead: into place, or away
    if (!job->outcome.ok) {
      QFile::remove(job->output);
    } else if (::rename(QFile::encodeName(job->output).constData(),
                        QFile::encodeName(target).constData()) != 0) {
      QFile::remove(job->output);
      return {false, QStringLiteral("PDF を作業フォルダーに置けません。"), {}};
    }
  }
  return job->outcome;
}

FileVersion EnginePool::Render(const QString& source, const QString& target) {
  const EngineOutcome outcome = take(source, target, QStringLiteral("pdf"), true);
  outcome.Throw();
  return outcome.version;
}

void EnginePool::Convert(const QString& source, const QString& target, const QString& format) {
  take(source, target, format, false).Throw();
}

}  // namespace folvane::platform
