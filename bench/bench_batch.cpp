// The batch conversion against the obvious alternative, in one run:
//  - ConvertDirectory on the warm engine (what Folvane does),
//  - the engine alone rendering the same files (the floor),
//  - soffice --headless --convert-to pdf started once per file, with a
//    private profile that already records its version.
// Then a folder of varied files (every kind a user has, damaged and
// protected ones too): how many each makes a PDF of, seconds per file.
// Prints seconds per file, the ratios and peak memory. No pass or fail.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

#include "convert/modConvPDF.h"
#include "fakes/FakePlatform.h"
#include "fakes/VariedFiles.h"
#include "platform/FileRegistry.h"
#include "platform/LinuxFiles.h"
#include "platform/LinuxProfile.h"
#include "platform/LinuxSpooler.h"
#include "platform/office/EnginePool.h"
#include "platform/office/LokOffice.h"

using namespace folvane;

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

qint64 peakKiB(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  QTemporaryDir dir;
  const auto at = [&](const QString& name) { return dir.filePath(name); };
  for (const char* sub : {"make", "src", "dest", "alone", "soffice"}) QDir().mkpath(at(sub));

  platform::OfficeEngine::Options options;
  options.helperPath =
      QCoreApplication::applicationDirPath() + QStringLiteral("/../folvane-office");
  options.profileDir = at("profile");
  platform::EnginePool pool(options, 1);
  platform::OfficeEngine& engine = pool.engine(0);

  out << "Making " << kEach << " .doc and " << kEach << " .xls files..." << Qt::endl;
  QStringList sources;
  for (int i = 0; i < kEach; ++i) {
    write(at(QStringLiteral("make/d%1.html").arg(i)), documentHtml(i));
    engine.Convert(at(QStringLiteral("make/d%1.html").arg(i)),
                   at(QStringLiteral("src/文書%1.doc").arg(i, 2, 10, QChar('0'))), "doc");
    write(at(QStringLiteral("make/w%1.fods").arg(i)), workbookFods(i));
    engine.Convert(at(QStringLiteral("make/w%1.fods").arg(i)),
                   at(QStringLiteral("src/集計%1.xls").arg(i, 2, 10, QChar('0'))), "xls");
  }
  sources = QDir(at("src")).entryList(QDir::Files, QDir::Name);
  const int files = int(sources.size());

  // The engine alone (the same files straight to PDF) and Folvane's batch
  // conversion through the virtual PDF printer, taken in turns twice; the
  // faster of each pair counts, as this machine's timings wander.
  fakes::FakePlatform fake;
  platform::LinuxProfile profile(platform::CodePage("UTF-8"), [&] { return at("win.ini"); });
  platform::FileRegistry registry(at("registry.json"));
  platform::LinuxFiles filesApi(platform::CodePage("UTF-8"));
  fake.printers.current = platform::kVirtualPdfPrinter;
  platform::LinuxSpooler spooler(profile, registry, fake.printers);
  platform::LokOffice office(pool, spooler, at("spool"));
  profile.WriteProfileStringA("Acrobat PDFWriter", "PDFFileName", at("xyzzyx.pdf"));
  platform::Platform p{
      profile,         fake.process, fake.ui,          registry,   fake.printers,
      fake.system,     filesApi,     fake.clock,       office,     spooler,
      fake.automation, fake.drives,  at("xyzzyx.pdf"), at("tmp/"), at("printer-switch.ini"),
      fake.progress};
  SettingsRecord settings;
  settings.SourceDir = at("src");
  settings.DestDir = at("dest");
  settings.LogFile = at("conv.log");
  frmImage imagePage;
  QElapsedTimer timer;
  double alone = 1e9, batch = 1e9;
  qint64 enginePeak = 0;  // the engine may be renewed on the way: keep the highest
  QList<ConversionFailure> failures;
  for (int round = 0; round < 2; ++round) {
    timer.restart();
    for (const QString& name : sources)
      engine.Convert(at("src/" + name), at("alone/" + name + ".pdf"), "pdf");
    alone = std::min(alone, timer.elapsed() / 1000.0 / files);
    enginePeak = std::max(enginePeak, peakKiB(engine.processId()));
    QDir(at("dest")).removeRecursively();
    QDir().mkpath(at("dest"));
    timer.restart();
    failures = modConvPDF(p, settings, imagePage).ConvertDirectory();
    batch = std::min(batch, timer.elapsed() / 1000.0 / files);
    enginePeak = std::max(enginePeak, peakKiB(engine.processId()));
  }
  // The varied folder: real files of every kind, damaged and protected ones,
  // and files that are no documents.
  const auto varied = fakes::MakeVariedFiles(
      at("varied"), at("make"), [&](const QString& from, const QString& to, const QString& format) {
        engine.Convert(from, to, format);
      });
  SettingsRecord variedSettings = settings;
  variedSettings.SourceDir = at("varied");
  variedSettings.DestDir = at("varied-dest");
  QDir().mkpath(at("varied-dest"));
  timer.restart();
  const auto variedFailures = modConvPDF(p, variedSettings, imagePage).ConvertDirectory();
  const double variedBatch = timer.elapsed() / 1000.0 / double(varied.size());
  engine.Stop();  // leaves a profile that records its version, for soffice below
  if (!failures.isEmpty()) out << FailureReport(failures) << Qt::endl;

  // One soffice start per file, warm disk cache, a ready profile.
  const QString profileUrl = QStringLiteral("file://") + at("profile");
  const int sofficeFiles = qEnvironmentVariableIntValue("BENCH_SOFFICE_FILES") > 0
                               ? qEnvironmentVariableIntValue("BENCH_SOFFICE_FILES")
                               : files;
  timer.restart();
  int sofficeDone = 0;
  for (const QString& name : sources.mid(0, sofficeFiles)) {
    QProcess soffice;
    soffice.start(kProgramDir + "/soffice",
                  {"-env:UserInstallation=" + profileUrl, "--headless", "--convert-to", "pdf",
                   "--outdir", at("soffice"), at("src/" + name)});
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

  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  out << Qt::endl
      << "files: " << files << " (" << kEach << " .doc, " << kEach << " .xls; "
      << (files - failures.size()) << " PDFs placed)" << Qt::endl;
  out << QString::asprintf("engine alone (render only)       %6.3f s/file\n", alone);
  out << QString::asprintf(
      "Folvane batch (ConvertDirectory) %6.3f s/file  (%+.0f%% over the engine alone)\n", batch,
      (batch / alone - 1) * 100);
  out << QString::asprintf("soffice --convert-to per file    %6.3f s/file  (%d files, %d PDFs)\n",
                           perStart, sofficeDone, sofficePdfs);
  out << QString::asprintf("soffice / Folvane                %6.1f x\n", perStart / batch);
  out << QString::asprintf(
      "varied folder: %d files; Folvane %d PDFs %6.3f s/file, soffice per file %d PDFs %6.3f "
      "s/file; both %d, only soffice %d, only Folvane %d, neither %d\n",
      int(varied.size()), variedBoth + variedOnlyFolvane, variedBatch,
      variedBoth + variedOnlySoffice, variedSoffice, variedBoth, variedOnlySoffice,
      variedOnlyFolvane, variedNeither);
  for (const auto& f : variedFailures) out << "  " << f.name << ": " << f.reason << Qt::endl;
  out << QString::asprintf("peak memory: Folvane %ld MiB, engine %lld MiB\n",
                           usage.ru_maxrss / 1024, enginePeak / 1024);
  return 0;
}
