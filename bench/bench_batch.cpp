// The batch conversion against what a user would use instead, in one run,
// on two folders: the small documents (one page of prose, one long sheet)
// and real-size ones (several pages with pictures, tables, headings and
// several fonts, a few hundred KB each). For each:
//  - the engine alone rendering the files straight to PDF (the floor),
//  - ConvertDirectory on a warm engine (seconds per file),
//  - the whole run as a user waits for it: a fresh office, engine start
//    included, until the last PDF is in the destination,
//  - one soffice --headless --convert-to pdf call over the whole folder,
//    with a warmed private profile (what a user who knows LibreOffice does),
//  - folvane-batch convert over the folder, as a script runs it: a process
//    of its own, engines started, until it has ended,
//  - on the real-size folder, where Folvane's time per file goes: every
//    platform call of the run timed by phase,
//  - on the real-size folder again, on a busy machine: another session's
//    process spinning on one core at nice 19 (as a browser or an indexer
//    holds one), the whole run, soffice and folvane-batch each beside it.
// Then soffice started once per file, and a folder of varied files (every
// kind a user has, damaged and protected ones too). Prints figures and
// ratios, peak memory per engine. No pass or fail.
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <tuple>

#include "BatchOffice.h"
#include "PhaseTimers.h"
#include "RealDocuments.h"
#include "convert/modConvPDF.h"
#include "fakes/FakePlatform.h"
#include "fakes/VariedFiles.h"
#include "platform/files/LinuxFiles.h"
#include "platform/office/OfficeEngine.h"
#include "platform/printing/LinuxSpooler.h"
#include "platform/profile/FileRegistry.h"
#include "platform/profile/LinuxProfile.h"

using namespace folvane;
using bench::Phases;

namespace {

constexpr int kEach = 20;
const QString kProgramDir = QStringLiteral("/usr/lib/libreoffice/program");

void write(const QString& path, const QString& text) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(text.toUtf8());
}

// Several pages of Japanese prose.
QString documentHtml(int n) {
  QString body;
  for (int p = 0; p < 60; ++p)
    body += QStringLiteral(
                "<p>第%1章 %2段落：本日の会議では、変換処理の速度と品質について議論した。"
                "各部署からの報告書をまとめ、次回までに改善案を提出すること。</p>")
                .arg(n)
                .arg(p);
  return "<html><head><meta charset=\"utf-8\"></head><body><h1>報告書 " + QString::number(n) +
         "</h1>" + body + "</body></html>";
}

// A sheet long enough for several printed pages.
QString workbookFods(int n) {
  QString rows;
  for (int r = 0; r < 200; ++r)
    rows +=
        QStringLiteral(
            "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>"
            "支店%1-%2</text:p></table:table-cell><table:table-cell office:value-type=\"float\" "
            "office:value=\"%3\"><text:p>%3</text:p></table:table-cell></table:table-row>")
            .arg(n)
            .arg(r)
            .arg(r * 1000 + n);
  return QStringLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document "
             "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
             "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body>"
             "<office:spreadsheet><table:table table:name=\"売上\">%1</table:table>"
             "</office:spreadsheet></office:body></office:document>")
      .arg(rows);
}

void renew(const QString& folder) {
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
}

qint64 cpuNs(const QList<qint64>& pids) {
  qint64 sum = 0;
  for (qint64 pid : pids) sum += bench::ProcessCpuNs(pid);
  return sum;
}

qint64 selfCpuNs() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000000 +
         (qint64(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000;
}

// "min-max KB (median), min-max pages" of files and their PDFs.
QString sizes(const QStringList& paths, const QStringList& pdfs) {
  QList<qint64> kb;
  QList<int> pages;
  for (const QString& p : paths) kb << QFileInfo(p).size() / 1024;
  for (const QString& p : pdfs) pages << fakes::PdfPages(p);
  std::sort(kb.begin(), kb.end());
  std::sort(pages.begin(), pages.end());
  if (kb.isEmpty()) return QStringLiteral("none");
  return QStringLiteral("%1-%2 KB (median %3), %4-%5 pages (median %6)")
      .arg(kb.first())
      .arg(kb.last())
      .arg(kb[kb.size() / 2])
      .arg(pages.first())
      .arg(pages.last())
      .arg(pages[pages.size() / 2]);
}

// folvane-batch convert from `source` to `dest`, its data under `xdg`;
// seconds until the process has ended, PDFs made.
std::pair<double, int> batchCommand(const QString& source, const QString& dest,
                                    const QString& xdg) {
  QDir(dest).removeRecursively();
  QDir().mkpath(dest);
  QElapsedTimer timer;
  timer.start();
  QProcess batch;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_DATA_HOME"), xdg);
  batch.setProcessEnvironment(env);
  batch.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../folvane-batch"),
              {QStringLiteral("convert"), source, dest});
  if (!batch.waitForFinished(600000)) batch.kill();
  batch.waitForFinished(5000);
  return {timer.elapsed() / 1000.0, int(QDir(dest).entryList({"*.pdf"}, QDir::Files).size())};
}

// One soffice call over every file of `sources`; seconds, PDFs made.
std::pair<double, int> sofficeOnce(const QStringList& sources, const QString& outDir,
                                   const QString& profileDir) {
  renew(outDir);
  QElapsedTimer timer;
  timer.start();
  QProcess soffice;
  soffice.start(kProgramDir + "/soffice",
                QStringList{"-env:UserInstallation=file://" + profileDir, "--headless",
                            "--convert-to", "pdf", "--outdir", outDir} +
                    sources);
  if (!soffice.waitForFinished(600000)) soffice.kill();
  soffice.waitForFinished(5000);
  const double seconds = timer.elapsed() / 1000.0;
  return {seconds, int(QDir(outDir).entryList({"*.pdf"}, QDir::Files).size())};
}

// Another session's process spinning on one core while it lives: the
// kernel shares the CPU between sessions first, so it keeps its core
// whatever its nice value.
class Spinner {
 public:
  Spinner() {
    spin_.start(QStringLiteral("setsid"), {"nice", "-n", "19", "sh", "-c", "while :; do :; done"});
    spin_.waitForStarted();
    QThread::msleep(300);  // on its core before anything is timed
  }
  ~Spinner() {
    spin_.kill();
    spin_.waitForFinished(5000);
  }
  Spinner(const Spinner&) = delete;
  Spinner& operator=(const Spinner&) = delete;
  // The process' CPU time so far, in seconds.
  double cpuSeconds() const { return bench::ProcessCpuNs(spin_.processId()) / 1e9; }

 private:
  QProcess spin_;
};

}  // namespace

int main(int argc, char* argv[]) {
  // Pictures are drawn with fonts: a GUI application without a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QTextStream out(stdout);
  QTemporaryDir dir;
  // BENCH_KEEP: the folders stay, to look at the PDFs or time other tools.
  if (qEnvironmentVariableIsSet("BENCH_KEEP")) {
    dir.setAutoRemove(false);
    out << "Folders kept in " << dir.path() << Qt::endl;
  }
  const auto at = [&](const QString& name) { return dir.filePath(name); };
  for (const char* sub : {"make", "src", "real", "dest", "alone", "soffice", "warm"})
    QDir().mkpath(at(sub));
  const QString helper =
      QCoreApplication::applicationDirPath() + QStringLiteral("/../folvane-office");

  // This engine makes the documents and is the engine alone.
  platform::OfficeEngine::Options options;
  options.helperPath = helper;
  options.profileDir = at("profile");
  platform::OfficeEngine engine(options);
  const auto convert = [&](const QString& from, const QString& to, const QString& format) {
    engine.Convert(from, to, format);
  };

  out << "Making " << kEach << " small .doc and .xls files, and " << kEach
      << " real-size .doc and .xls files..." << Qt::endl;
  for (int i = 0; i < kEach; ++i) {
    write(at(QStringLiteral("make/d%1.html").arg(i)), documentHtml(i));
    engine.Convert(at(QStringLiteral("make/d%1.html").arg(i)),
                   at(QStringLiteral("src/文書%1.doc").arg(i, 2, 10, QChar('0'))), "doc");
    write(at(QStringLiteral("make/w%1.fods").arg(i)), workbookFods(i));
    engine.Convert(at(QStringLiteral("make/w%1.fods").arg(i)),
                   at(QStringLiteral("src/集計%1.xls").arg(i, 2, 10, QChar('0'))), "xls");
  }
  QElapsedTimer making;
  making.start();
  bench::MakeRealDocuments(at("real"), at("make"), kEach, convert);
  const double makingSeconds = making.elapsed() / 1000.0;

  // The platform as the program wires it, every call timed by phase; the
  // printers alone are fakes (the virtual PDF printer is the default).
  Phases phases;
  fakes::FakePlatform fake;
  platform::LinuxProfile profile(platform::CodePage("UTF-8"), [&] { return at("win.ini"); });
  platform::FileRegistry registry(at("registry.json"));
  platform::LinuxFiles linuxFiles(platform::CodePage("UTF-8"), at("links"));
  platform::LinuxClock linuxClock;
  fake.printers.current = platform::kVirtualPdfPrinter;
  platform::LinuxSpooler linuxSpooler(profile, registry, fake.printers);
  bench::TimedRegistry timedRegistry(registry, phases);
  bench::TimedFiles timedFiles(linuxFiles, phases, at("xyzzyx.pdf"));
  bench::TimedClock timedClock(linuxClock, phases);
  bench::TimedSpooler timedSpooler(linuxSpooler, phases);
  bench::TimedUi ui(phases);
  profile.WriteProfileStringA("Acrobat PDFWriter", "PDFFileName", at("xyzzyx.pdf"));
  const bench::BatchOfficeSetup setup{helper, at("batch-profile"), at("spool")};
  frmImage imagePage;

  struct Run {
    double seconds = 0;
    QList<ConversionFailure> failures;
    Phases phases;
    qint64 helperCpuNs = 0;
    qint64 ownCpuNs = 0;
  };
  // Peak memory of every engine that ran, under the run it served.
  struct EnginePeak {
    QString run;
    qint64 pid = 0;
    qint64 kib = 0;
  };
  QList<EnginePeak> enginePeaks;
  QString runName = QStringLiteral("warm-up");
  const auto notePeak = [&](qint64 pid, const QString& run) {
    if (pid <= 0) return;
    auto it = std::find_if(enginePeaks.begin(), enginePeaks.end(),
                           [&](const EnginePeak& e) { return e.pid == pid; });
    if (it == enginePeaks.end()) {
      // A run's engine renewed on the way shows as its second one.
      const auto before = std::count_if(enginePeaks.begin(), enginePeaks.end(),
                                        [&](const EnginePeak& e) { return e.run.startsWith(run); });
      it = enginePeaks.insert(
          enginePeaks.end(),
          {before ? QStringLiteral("%1 #%2").arg(run).arg(before + 1) : run, pid, 0});
    }
    it->kib = std::max(it->kib, bench::PeakKiB(pid));
  };
  // One ConvertDirectory through `office`; `started` is when the user clicked.
  const auto runBatch = [&](bench::BatchOffice& office, const SettingsRecord& settings,
                            const QElapsedTimer& started) {
    renew(settings.DestDir);
    phases = Phases{};
    bench::TimedOffice timedOffice(office.office(), phases);
    platform::Platform p{profile,          fake.process,    ui,
                         timedRegistry,    fake.printers,   fake.system,
                         timedFiles,       timedClock,      timedOffice,
                         timedSpooler,     fake.automation, fake.drives,
                         at("xyzzyx.pdf"), at("tmp/"),      at("printer-switch.ini"),
                         fake.progress};
    Run run;
    const QList<qint64> pidsBefore = office.enginePids();
    const qint64 helperBefore = cpuNs(pidsBefore);
    const qint64 ownBefore = selfCpuNs();
    run.failures = modConvPDF(p, settings, imagePage).ConvertDirectory();
    run.seconds = started.nsecsElapsed() / 1e9;
    run.ownCpuNs = selfCpuNs() - ownBefore;
    // Helpers started during the run count from zero.
    run.helperCpuNs =
        cpuNs(office.enginePids()) - (office.enginePids() == pidsBefore ? helperBefore : 0);
    run.phases = phases;
    for (qint64 pid : office.enginePids()) notePeak(pid, runName);
    return run;
  };

  // Folvane's batch profile and soffice's private profile have each run once
  // before, as on a user's desktop.
  // Every engine's profile is made then.
  for (int i = 0; i < bench::EngineCountHere(); ++i)
    QFile::copy(at("src/文書00.doc"), at(QStringLiteral("warm/文書%1.doc").arg(i)));
  SettingsRecord warmSettings;
  warmSettings.SourceDir = at("warm");
  warmSettings.DestDir = at("warm-dest");
  warmSettings.LogFile = at("warm.log");
  {
    auto office = bench::MakeBatchOffice(setup, timedSpooler);
    QElapsedTimer t;
    t.start();
    runBatch(*office, warmSettings, t);
    sofficeOnce({at("warm/文書0.doc")}, at("warm-soffice"), at("soffice-profile"));
    batchCommand(at("warm"), at("warm-batch"), at("batch-xdg"));
  }

  struct Folder {
    QString title;
    QStringList sources;  // full paths
    double alone = 1e9;   // engine alone, s/file
    double loadOnly = 0;  // engine alone to plain text, s/file
    Run cold;             // fresh office, engine start included
    Run warm;             // faster of two runs on the warm office
    QList<double> warmSeconds;
    double sofficeSeconds = 0;
    int sofficePdfs = 0;
    double batchSeconds = 0;  // folvane-batch convert, as a process
    int batchPdfs = 0;
    double syncMs = 0, unsyncedMs = 0;  // one PDF written with and without a sync
    // Beside a spinning process of another session (real-size folder only).
    Run busy;
    int busyEngines = 0;
    double busySoffice = 0;
    int busySofficePdfs = 0;
    double busyBatch = 0;
    int busyBatchPdfs = 0;
    QStringList busyRounds;  // Folvane/soffice/folvane-batch seconds of each round
    double spinShare = 0;    // of one core, over the three
  };
  const auto measure = [&](Folder& f, const QString& sourceDir, const QString& tag) {
    for (const QString& name : QDir(sourceDir).entryList(QDir::Files, QDir::Name))
      f.sources << sourceDir + u'/' + name;
    const double files = f.sources.size();
    SettingsRecord settings;
    settings.SourceDir = sourceDir;
    settings.DestDir = at("dest-" + tag);
    settings.LogFile = at("conv-" + tag + ".log");
    QElapsedTimer timer;
    for (int round = 0; round < 2; ++round) {
      renew(at("alone-" + tag));
      timer.restart();
      for (const QString& source : f.sources)
        engine.Convert(source, at("alone-" + tag + "/" + QFileInfo(source).fileName() + ".pdf"),
                       "pdf");
      f.alone = std::min(f.alone, timer.elapsed() / 1000.0 / files);
    }
    // The same files exported as plain text: loading and little else, so
    // the difference to the PDF is the page layout and the PDF itself.
    renew(at("text-" + tag));
    timer.restart();
    for (const QString& source : f.sources) {
      const bool sheet = source.endsWith(QStringLiteral(".xls"));
      engine.Convert(
          source,
          at("text-" + tag + "/" + QFileInfo(source).fileName() + (sheet ? ".csv" : ".txt")),
          sheet ? "csv" : "txt");
    }
    f.loadOnly = timer.elapsed() / 1000.0 / files;
    notePeak(engine.processId(), QStringLiteral("maker, engine alone"));
    runName = tag;

    // As the user waits: from the click to the last PDF, a fresh engine.
    timer.restart();
    auto office = bench::MakeBatchOffice(setup, timedSpooler);
    f.cold = runBatch(*office, settings, timer);
    f.warm.seconds = 1e9;
    for (int round = 0; round < 2; ++round) {
      timer.restart();
      Run run = runBatch(*office, settings, timer);
      f.warmSeconds << run.seconds;
      if (run.seconds < f.warm.seconds) f.warm = run;
    }
    // What a sync adds to writing one PDF, on this disk.
    const QStringList pdfs = QDir(settings.DestDir).entryList({"*.pdf"}, QDir::Files);
    for (const QString& name : pdfs) {
      QFile in(settings.DestDir + u'/' + name);
      in.open(QIODevice::ReadOnly);
      const QByteArray bytes = in.readAll();
      for (const bool sync : {true, false}) {
        QTemporaryFile copy(settings.DestDir + QStringLiteral("/.sync-XXXXXX"));
        timer.restart();
        copy.open();
        copy.write(bytes);
        copy.flush();
        if (sync) ::fsync(copy.handle());
        (sync ? f.syncMs : f.unsyncedMs) += timer.nsecsElapsed() / 1e6 / double(pdfs.size());
      }
    }
    office.reset();  // its engine ends before soffice is timed
    const auto [seconds, made] =
        sofficeOnce(f.sources, at("soffice-" + tag), at("soffice-profile"));
    f.sofficeSeconds = seconds;
    f.sofficePdfs = made;
    std::tie(f.batchSeconds, f.batchPdfs) =
        batchCommand(sourceDir, at("batch-" + tag), at("batch-xdg"));
    if (tag != QStringLiteral("real")) return;
    runName = tag + QStringLiteral(" busy");
    Spinner spinner;
    QElapsedTimer spinning;
    spinning.start();
    // This machine's neighbours come and go: three rounds, taken in turn,
    // the best of each.
    f.busy.seconds = f.busySoffice = f.busyBatch = 1e9;
    for (int round = 0; round < 3; ++round) {
      timer.restart();
      auto busyOffice = bench::MakeBatchOffice(setup, timedSpooler);
      const Run run = runBatch(*busyOffice, settings, timer);
      f.busyEngines = std::max(f.busyEngines, busyOffice->enginesUsed());
      busyOffice.reset();
      const auto [soffice, sofficePdfs] =
          sofficeOnce(f.sources, at("soffice-" + tag), at("soffice-profile"));
      const auto [batch, batchPdfs] = batchCommand(sourceDir, at("batch-" + tag), at("batch-xdg"));
      f.busyRounds << QString::asprintf("%.2f/%.2f/%.2f", run.seconds, soffice, batch);
      if (run.seconds < f.busy.seconds) f.busy = run;
      if (soffice < f.busySoffice)
        std::tie(f.busySoffice, f.busySofficePdfs) = std::pair(soffice, sofficePdfs);
      if (batch < f.busyBatch) std::tie(f.busyBatch, f.busyBatchPdfs) = std::pair(batch, batchPdfs);
    }
    f.spinShare = spinner.cpuSeconds() / (spinning.nsecsElapsed() / 1e9);
  };

  Folder small;
  small.title = QStringLiteral("small documents (prose and plain sheets, no pictures)");
  measure(small, at("src"), QStringLiteral("small"));
  Folder real;
  real.title = QStringLiteral("real-size documents (pictures, tables, headings, five fonts)");
  measure(real, at("real"), QStringLiteral("real"));

  // The varied folder: real files of every kind, damaged and protected ones,
  // and files that are no documents, on a warm office.
  const auto varied = fakes::MakeVariedFiles(at("varied"), at("make"), convert);
  SettingsRecord variedSettings;
  variedSettings.SourceDir = at("varied");
  variedSettings.DestDir = at("varied-dest");
  variedSettings.LogFile = at("varied.log");
  runName = QStringLiteral("varied");
  auto variedOffice = bench::MakeBatchOffice(setup, timedSpooler);
  QElapsedTimer timer;
  timer.start();
  runBatch(*variedOffice, warmSettings, timer);
  timer.restart();
  const Run variedRun = runBatch(*variedOffice, variedSettings, timer);
  const double variedBatch = variedRun.seconds / double(varied.size());
  variedOffice.reset();
  notePeak(engine.processId(), QStringLiteral("maker, engine alone"));
  engine.Stop();  // leaves a profile that records its version, for soffice below

  // One soffice start per file, warm disk cache, a ready profile.
  const QString profileUrl = QStringLiteral("file://") + at("profile");
  const QStringList sources = small.sources;
  const int sofficeFiles = qEnvironmentVariableIntValue("BENCH_SOFFICE_FILES") > 0
                               ? qEnvironmentVariableIntValue("BENCH_SOFFICE_FILES")
                               : int(sources.size());
  timer.restart();
  int sofficeDone = 0;
  for (const QString& source : sources.mid(0, sofficeFiles)) {
    QProcess soffice;
    soffice.start(kProgramDir + "/soffice",
                  {"-env:UserInstallation=" + profileUrl, "--headless", "--convert-to", "pdf",
                   "--outdir", at("soffice"), source});
    soffice.waitForFinished(120000);
    ++sofficeDone;
  }
  const double perStart = timer.elapsed() / 1000.0 / sofficeDone;
  const int sofficePdfs = int(QDir(at("soffice")).entryList({"*.pdf"}, QDir::Files).size());

  // soffice once per file on the varied folder.
  int variedBoth = 0, variedOnlySoffice = 0, variedOnlyFolvane = 0, variedNeither = 0;
  double variedSoffice = 0;
  for (const auto& f : varied) {
    timer.restart();
    const bool soffice =
        fakes::SofficeConverts(at("varied/" + f.name), at("varied-soffice"), at("profile"));
    variedSoffice += timer.elapsed() / 1000.0;
    const bool folvane =
        fakes::PdfPages(at("varied-dest/" + QFileInfo(f.name).completeBaseName() + ".pdf")) > 0;
    (folvane ? (soffice ? variedBoth : variedOnlyFolvane)
             : (soffice ? variedOnlySoffice : variedNeither))++;
  }
  variedSoffice /= double(varied.size());

  QStringList realDocs, realXls, realDocPdfs, realXlsPdfs;
  for (const QString& source : real.sources) {
    const bool doc = source.endsWith(QStringLiteral(".doc"));
    (doc ? realDocs : realXls) << source;
    (doc ? realDocPdfs : realXlsPdfs) << at("alone-real/" + QFileInfo(source).fileName() + ".pdf");
  }
  out << Qt::endl
      << "real-size folder, made in " << QString::number(makingSeconds, 'f', 1) << " s with fonts "
      << bench::RealDocumentFonts().join(", ") << ":" << Qt::endl
      << "  " << realDocs.size() << " .doc: " << sizes(realDocs, realDocPdfs) << Qt::endl
      << "  " << realXls.size() << " .xls: " << sizes(realXls, realXlsPdfs) << Qt::endl;

  for (const Folder* f : {&small, &real}) {
    const double files = f->sources.size();
    out << Qt::endl
        << f->title << ": " << f->sources.size() << " files, " << (files - f->warm.failures.size())
        << " PDFs placed" << Qt::endl;
    for (const auto& failure : f->warm.failures)
      out << "  " << failure.name << ": " << failure.reason << Qt::endl;
    out << QString::asprintf("  engine alone (render only)            %7.3f s/file\n", f->alone);
    out << QString::asprintf(
        "  engine alone to plain text            %7.3f s/file   (load and little else; the PDF "
        "layout and output cost the other %.3f s)\n",
        f->loadOnly, f->alone - f->loadOnly);
    out << QString::asprintf(
        "  Folvane per file, warm engine         %7.3f s/file   Folvane / engine alone   %5.2f "
        "(goal at most 0.6)\n",
        f->warm.seconds / files, f->warm.seconds / files / f->alone);
    // The first print waits for the engine to start.
    QList<qint64> each = f->cold.phases.printOutEachNs;
    const double first = each.isEmpty() ? 0 : each.takeFirst() / 1e6;
    std::sort(each.begin(), each.end());
    const double median = each.isEmpty() ? 0 : each[each.size() / 2] / 1e6;
    out << QString::asprintf(
        "  Folvane whole run, fresh engine       %7.2f s (%.3f s/file; first print %.0f ms, "
        "median print %.0f ms)\n",
        f->cold.seconds, f->cold.seconds / files, first, median);
    out << QString::asprintf("  warm runs                             %7.2f s, %.2f s\n",
                             f->warmSeconds.value(0), f->warmSeconds.value(1));
    out << QString::asprintf(
        "  soffice, one call over the folder     %7.2f s (%.3f s/file, %d PDFs)   Folvane whole "
        "run / one soffice call   %5.2f (goal at most 0.7)\n",
        f->sofficeSeconds, f->sofficeSeconds / files, f->sofficePdfs,
        f->cold.seconds / f->sofficeSeconds);
    out << QString::asprintf(
        "  folvane-batch convert, a process      %7.2f s (%.3f s/file, %d PDFs)   folvane-batch / "
        "one soffice call   %5.2f\n",
        f->batchSeconds, f->batchSeconds / files, f->batchPdfs,
        f->batchSeconds / f->sofficeSeconds);
    if (f->busySoffice <= 0) continue;
    out << QString::asprintf(
        "  busy machine (another session spinning at nice 19; it got %.2f of a core), best of "
        "three rounds (%s):\n",
        f->spinShare, qPrintable(f->busyRounds.join(QStringLiteral(", "))));
    out << QString::asprintf(
        "    Folvane whole run, fresh engine     %7.2f s (%d PDFs placed, at most %d engine(s) "
        "working)\n",
        f->busy.seconds, int(files - f->busy.failures.size()), f->busyEngines);
    out << QString::asprintf(
        "    soffice, one call over the folder   %7.2f s (%d PDFs)   Folvane whole run / one "
        "soffice call   %5.2f (goal at most 0.9)\n",
        f->busySoffice, f->busySofficePdfs, f->busy.seconds / f->busySoffice);
    out << QString::asprintf(
        "    folvane-batch convert, a process    %7.2f s (%d PDFs)   folvane-batch / one soffice "
        "call   %5.2f\n",
        f->busyBatch, f->busyBatchPdfs, f->busyBatch / f->busySoffice);
  }

  const double files = real.sources.size();
  out << Qt::endl
      << "where a real-size file's time goes (warm engine, ms per file; CPU of the run's thread):"
      << Qt::endl
      << bench::Breakdown(real.warm.phases, int(files), qint64(real.warm.seconds * 1e9));
  const double roundTripMs =
      (real.warm.phases.printOut.wallNs - real.warm.phases.spooler.wallNs) / 1e6 / files;
  out << QString::asprintf(
      "  engine helper CPU (all its threads)            %8.2f ms  (%.0f%% of the round trip)\n",
      real.warm.helperCpuNs / 1e6 / files, real.warm.helperCpuNs / 1e6 / files / roundTripMs * 100);
  out << QString::asprintf("  Folvane process CPU (all its threads)          %8.2f ms\n",
                           real.warm.ownCpuNs / 1e6 / files);
  out << QString::asprintf("  one PDF written with fsync / without           %8.2f ms / %.2f ms\n",
                           real.syncMs, real.unsyncedMs);
  out << QString::asprintf("  engine alone per file, for comparison          %8.2f ms\n",
                           real.alone * 1000);
  out << QString::asprintf(
      "  small documents: helper CPU %.1f ms, round trip %.1f ms, spooler %.2f ms, "
      "%.0f KB per file\n",
      small.warm.helperCpuNs / 1e6 / small.sources.size(),
      (small.warm.phases.printOut.wallNs - small.warm.phases.spooler.wallNs) / 1e6 /
          small.sources.size(),
      small.warm.phases.spooler.wallNs / 1e6 / small.sources.size(),
      small.warm.phases.spooledBytes / 1024.0 / small.sources.size());

  out << Qt::endl
      << QString::asprintf(
             "soffice --convert-to per file (small)  %7.3f s/file  (%d files, %d "
             "PDFs)   soffice per file / Folvane per file %5.1f x\n",
             perStart, sofficeDone, sofficePdfs,
             perStart / (small.warm.seconds / small.sources.size()));
  out << QString::asprintf(
      "varied folder: %d files; Folvane %d PDFs %6.3f s/file, soffice per file %d PDFs %6.3f "
      "s/file; both %d, only soffice %d, only Folvane %d, neither %d\n",
      int(varied.size()), variedBoth + variedOnlyFolvane, variedBatch,
      variedBoth + variedOnlySoffice, variedSoffice, variedBoth, variedOnlySoffice,
      variedOnlyFolvane, variedNeither);
  for (const auto& f : variedRun.failures) out << "  " << f.name << ": " << f.reason << Qt::endl;

  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  out << QString::asprintf("peak memory: Folvane %ld MiB; per engine (VmHWM):",
                           usage.ru_maxrss / 1024);
  for (const auto& e : enginePeaks)
    out << QStringLiteral(" %1 %2 MiB;").arg(e.run).arg(e.kib / 1024);
  out << Qt::endl;
  return 0;
}
