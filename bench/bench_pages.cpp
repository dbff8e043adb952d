// Real Word documents against the page count Word recorded in them: how many
// convert to that count within 5%, before and after the engine drew the fonts
// documents name with metric-compatible stand-ins.
//  - before: soffice --headless --convert-to pdf with a fresh profile, and
//    Liberation, Carlito, Caladea, IPA, IPAex and BIZ UD hidden from fontconfig;
//  - after: Folvane's engine (the folvane-office helper and its profile).
// Only documents Microsoft Word saved with more than one page recorded count:
// a count of one is often stale, and a count another program wrote follows
// that program's layout. The folder comes from scripts/fetch-real-documents.sh.
//
//   bench_pages [FOLDER [LIMIT]]    (FOLDER also from FOLVANE_REAL_DOCUMENTS)
//
// Documents whose PDF shows Japanese text (20 kana or more) are counted
// apart as well. With BENCH_PAGES_KEEP set, the PDFs stay in a folder it
// names, for pdffonts.
// Without a folder it says so and ends with success. No pass or fail.
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cmath>

#include "platform/Failure.h"
#include "platform/office/OfficeEngine.h"

using namespace folvane;

namespace {

const QString kSoffice = QStringLiteral("/usr/lib/libreoffice/program/soffice");
constexpr int kSofficeChunk = 20;  // documents per soffice start
constexpr int kSofficeMsPerDocument = 60000;

struct Document {
  QString path;   // as found
  QString input;  // a short unique name in the work folder, same extension
  QString application;
  int recorded = 0;
  int before = 0;  // pages of each PDF; 0: no PDF
  int after = 0;
  QString afterFailure;
  bool japanese = false;
};

QByteArray run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
  return process.readAllStandardOutput();
}

// The page count and the program that wrote it: an OLE document's summary
// information (as `file` reads it), an OOXML document's docProps/app.xml.
void readRecorded(Document& d) {
  if (d.path.endsWith(QStringLiteral(".docx"), Qt::CaseInsensitive)) {
    const QString app =
        QString::fromUtf8(run(QStringLiteral("unzip"), {"-p", d.path, "docProps/app.xml"}));
    d.recorded =
        QRegularExpression(QStringLiteral("<Pages>(\\d+)</Pages>")).match(app).captured(1).toInt();
    d.application =
        QRegularExpression(QStringLiteral("<Application>([^<]*)<")).match(app).captured(1);
  } else {
    const QString summary = QString::fromUtf8(run(QStringLiteral("file"), {"-b", d.path}));
    d.recorded = QRegularExpression(QStringLiteral("Number of Pages: (\\d+)"))
                     .match(summary)
                     .captured(1)
                     .toInt();
    d.application = QRegularExpression(QStringLiteral("Name of Creating Application: ([^,]*)"))
                        .match(summary)
                        .captured(1);
  }
}

bool writtenByWord(const QString& application) {
  return application.contains(QStringLiteral("Microsoft"), Qt::CaseInsensitive) &&
         application.contains(QStringLiteral("Word"), Qt::CaseInsensitive);
}

int pdfPages(const QString& path) {
  if (!QFile::exists(path)) return 0;
  const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                         .match(QString::fromUtf8(run(QStringLiteral("pdfinfo"), {path})));
  return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// Whether a PDF's text holds 20 kana or more: Japanese, not Chinese.
bool showsJapanese(const QString& pdf) {
  if (!QFile::exists(pdf)) return false;
  const QString text = QString::fromUtf8(run(QStringLiteral("pdftotext"), {"-q", pdf, "-"}));
  int kana = 0;
  for (const QChar c : text) kana += c.unicode() >= 0x3041 && c.unicode() <= 0x30FA;
  return kana >= 20;
}

bool within5(int pages, int recorded) {
  return pages > 0 && std::abs(pages - recorded) <= 0.05 * recorded;
}

// fontconfig as the system has it, less the metric-compatible fonts: what
// the engine drew with before they were installed and mapped.
QString writeHidingFontConfig(const QString& path) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <selectfont><rejectfont>
    <glob>*/liberation*/*</glob><glob>*/Liberation*</glob>
    <glob>*/crosextra/*</glob><glob>*/Carlito*</glob><glob>*/Caladea*</glob>
    <glob>*/ipafont*/*</glob><glob>*/ipaexfont*/*</glob><glob>*/ipa*.tt?</glob>
    <glob>*/bizud-*/*</glob><glob>*/fonts-japanese-*</glob>
  </rejectfont></selectfont>
</fontconfig>
)");
  return path;
}

// One soffice start for `inputs`, in a process group of its own so that a
// hang is ended with every process it started.
void sofficeConvert(const QStringList& inputs, const QString& outDir, const QString& profileDir,
                    const QString& fontConfig, int timeoutMs) {
  QProcess soffice;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("FONTCONFIG_FILE"), fontConfig);
  soffice.setProcessEnvironment(env);
  soffice.setChildProcessModifier([] { setpgid(0, 0); });
  soffice.setStandardOutputFile(QProcess::nullDevice());
  soffice.setStandardErrorFile(QProcess::nullDevice());
  soffice.start(kSoffice, QStringList{"-env:UserInstallation=file://" + profileDir, "--headless",
                                      "--norestore", "--convert-to", "pdf", "--outdir", outDir} +
                              inputs);
  if (!soffice.waitForFinished(timeoutMs)) {
    ::kill(-pid_t(soffice.processId()), SIGKILL);
    soffice.waitForFinished(5000);
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  const QString folder =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("FOLVANE_REAL_DOCUMENTS");
  const int limit = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    out << "bench_pages: no folder of real documents (scripts/fetch-real-documents.sh DIR, then "
           "bench_pages DIR): skipped"
        << Qt::endl;
    return 0;
  }

  QTemporaryDir work;
  if (qEnvironmentVariableIsSet("BENCH_PAGES_KEEP")) {
    work.setAutoRemove(false);
    out << "PDFs kept in " << work.path() << Qt::endl;
  }
  const auto at = [&](const QString& name) { return work.filePath(name); };
  for (const char* sub : {"in", "before", "after"}) QDir().mkpath(at(sub));

  QStringList found;
  QDirIterator it(folder, {"*.doc", "*.docx", "*.DOC", "*.DOCX"}, QDir::Files,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) found << it.next();
  found.sort();
  QList<Document> docs;
  int notWord = 0, onePage = 0;
  for (const QString& path : found) {
    Document d;
    d.path = path;
    readRecorded(d);
    if (!writtenByWord(d.application)) {
      ++notWord;
      continue;
    }
    if (d.recorded <= 1) {
      ++onePage;
      continue;
    }
    d.input = at(QStringLiteral("in/%1.%2")
                     .arg(docs.size(), 4, 10, QChar('0'))
                     .arg(QFileInfo(path).suffix().toLower()));
    QFile::link(QFileInfo(path).absoluteFilePath(), d.input);
    docs << d;
    if (limit > 0 && docs.size() >= limit) break;
  }
  out << found.size() << " documents found; " << notWord << " not saved by Microsoft Word, "
      << onePage << " with one page or none recorded; " << docs.size() << " measured" << Qt::endl;
  if (docs.isEmpty()) return 0;

  // Before: soffice, a few documents per start, those a start left without a
  // PDF (a hang, a crash) once more on their own.
  QElapsedTimer timer;
  timer.start();
  const QString fontConfig = writeHidingFontConfig(at("fonts-hidden.conf"));
  const auto beforePdf = [&](const Document& d) {
    return at("before/" + QFileInfo(d.input).completeBaseName() + ".pdf");
  };
  for (qsizetype i = 0; i < docs.size(); i += kSofficeChunk) {
    QStringList inputs;
    for (qsizetype j = i; j < std::min(docs.size(), i + kSofficeChunk); ++j)
      inputs << docs[j].input;
    sofficeConvert(inputs, at("before"), at("before-profile"), fontConfig,
                   kSofficeMsPerDocument * int(inputs.size()));
  }
  for (Document& d : docs) {
    if (!QFile::exists(beforePdf(d)))
      sofficeConvert({d.input}, at("before"), at("before-profile"), fontConfig,
                     kSofficeMsPerDocument);
    d.before = pdfPages(beforePdf(d));
  }
  const double beforeSeconds = timer.elapsed() / 1000.0;

  // After: Folvane's engine.
  platform::OfficeEngine::Options options;
  options.helperPath =
      QCoreApplication::applicationDirPath() + QStringLiteral("/../folvane-office");
  options.profileDir = at("after-profile");
  options.documentTimeoutMs = kSofficeMsPerDocument;
  platform::OfficeEngine engine(options);
  timer.restart();
  for (Document& d : docs) {
    const QString pdf = at("after/" + QFileInfo(d.input).completeBaseName() + ".pdf");
    try {
      engine.Convert(d.input, pdf, QStringLiteral("pdf"));
    } catch (const platform::Failure& failure) {
      d.afterFailure = failure.message();
    }
    d.after = pdfPages(pdf);
    d.japanese = showsJapanese(pdf) || showsJapanese(beforePdf(d));
  }
  const double afterSeconds = timer.elapsed() / 1000.0;
  engine.Stop();

  out << Qt::endl << "recorded before  after  document" << Qt::endl;
  int beforeWithin = 0, afterWithin = 0, beforeNone = 0, afterNone = 0;
  int beforeExact = 0, afterExact = 0;
  int japanese = 0, japaneseBeforeWithin = 0, japaneseAfterWithin = 0;
  for (const Document& d : docs) {
    const bool b = within5(d.before, d.recorded), a = within5(d.after, d.recorded);
    beforeWithin += b;
    afterWithin += a;
    japanese += d.japanese;
    japaneseBeforeWithin += d.japanese && b;
    japaneseAfterWithin += d.japanese && a;
    beforeExact += d.before == d.recorded;
    afterExact += d.after == d.recorded;
    beforeNone += d.before == 0;
    afterNone += d.after == 0;
    out << QString::asprintf("%8d %5d%s %5d%s  ", d.recorded, d.before, b ? "*" : " ", d.after,
                             a ? "*" : " ")
        << QDir(folder).relativeFilePath(d.path) << "  [" << d.application << "]"
        << (d.japanese ? "  (Japanese)" : "");
    if (!d.afterFailure.isEmpty()) out << "  " << d.afterFailure.simplified();
    out << Qt::endl;
  }
  const int n = int(docs.size());
  out << Qt::endl << "(* within 5% of the recorded count)" << Qt::endl;
  out << "within 5%: before " << beforeWithin << " of " << n << ", after " << afterWithin << " of "
      << n << Qt::endl;
  out << "same count: before " << beforeExact << " of " << n << ", after " << afterExact << " of "
      << n << Qt::endl;
  out << "Japanese, within 5%: before " << japaneseBeforeWithin << " of " << japanese << ", after "
      << japaneseAfterWithin << " of " << japanese << Qt::endl;
  out << "no PDF: before " << beforeNone << ", after " << afterNone << Qt::endl;
  out << QString::asprintf("seconds: before %.0f (soffice, %d documents a start), after %.0f\n",
                           beforeSeconds, kSofficeChunk, afterSeconds);
  return 0;
}
