// Merging through PdfInsert against `qpdf --empty --pages` and pdfunite on the
// same files, in one run: seconds, pages per second, peak memory, bookmarks.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <vector>

#include "acrobat/clsPDFMarge.h"
#include "fakes/FakePlatform.h"
#include "fakes/PdfMaker.h"
#include "platform/LinuxFiles.h"
#include "platform/pdf/QpdfAcrobat.h"

using namespace folvane;

extern char** environ;

namespace {

struct Result {
  double seconds = 0;
  long peakKiB = 0;
  bool ok = false;
};

// Runs `work` in a child process, so its peak memory is its own.
Result measureOnce(const std::function<bool()>& work) {
  QElapsedTimer timer;
  timer.start();
  const pid_t pid = fork();
  if (pid == 0) _exit(work() ? 0 : 1);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  return {timer.nsecsElapsed() / 1e9, usage.ru_maxrss,
          WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

// The median of five runs: this machine's timings wander from run to run.
Result measure(const std::function<bool()>& work) {
  std::vector<Result> runs;
  for (int i = 0; i < 5; ++i) runs.push_back(measureOnce(work));
  std::sort(runs.begin(), runs.end(),
            [](const Result& a, const Result& b) { return a.seconds < b.seconds; });
  return runs[2];
}

bool run(const QStringList& args) {
  std::vector<std::string> storage;
  for (const QString& a : args) storage.push_back(a.toStdString());
  std::vector<char*> argv;
  for (auto& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int countOutline(std::vector<QPDFOutlineObjectHelper> items) {
  int n = 0;
  for (auto& item : items) n += 1 + countOutline(item.getKids());
  return n;
}

struct Facts {
  int pages = 0;
  int bookmarks = 0;
};
Facts factsOf(const QString& path) {
  QPDF pdf;
  pdf.processFile(QFile::encodeName(path).constData());
  QPDFOutlineDocumentHelper outline(pdf);
  return {int(QPDFPageDocumentHelper(pdf).getAllPages().size()),
          countOutline(outline.getTopLevelOutlines())};
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  QTemporaryDir dir;

  struct Case {
    const char* name;
    int files;
    int pages;
  };
  for (const Case& c :
       {Case{"100 files x 10 pages", 100, 10}, Case{"1000 files x 1 page", 1000, 1}}) {
    const QString src = dir.filePath(QString::fromLatin1(c.name).replace(' ', '_'));
    QDir().mkpath(src);
    QStringList inputs;
    for (int i = 0; i < c.files; ++i) {
      const QString path = src + QStringLiteral("/f%1.pdf").arg(i, 4, 10, QChar('0'));
      fakes::MakePdf(path, QStringLiteral("F%1").arg(i), c.pages);
      inputs << path;
    }
    int bookmarksIn = 0;
    for (const QString& in : inputs) bookmarksIn += factsOf(in).bookmarks;
    const int totalPages = c.files * c.pages;
    out << "\n"
        << c.name << " (" << totalPages << " pages, " << bookmarksIn << " bookmarks in all)\n";

    const QString mine = dir.filePath("mine.pdf");
    const Result folvane = measure([&] {
      fakes::FakePlatform fake;
      platform::LinuxFiles files(platform::CodePage("UTF-8"));
      platform::QpdfAcrobat acrobat(fake.spooler, dir.filePath("spool"));
      platform::Platform p{
          fake.profile, fake.process, fake.ui,     fake.registry, fake.printers, fake.system,
          files,        fake.clock,   fake.office, fake.spooler,  acrobat,       fake.drives,
          {},           {},           {},          fake.progress};
      clsPDFMarge marge(p);
      marge.SourceDir(src);
      marge.DestFile(mine);
      try {
        return marge.PdfInsert() == 0;
      } catch (...) {
        return false;
      }
    });
    const QString viaQpdf = dir.filePath("qpdf.pdf");
    const Result qpdf = measure([&] {
      return run(QStringList{"qpdf", "--empty", "--pages"} + inputs + QStringList{"--", viaQpdf});
    });
    const QString viaUnite = dir.filePath("pdfunite.pdf");
    const Result unite =
        measure([&] { return run(QStringList{"pdfunite"} + inputs + QStringList{viaUnite}); });

    const auto line = [&](const char* who, const Result& r, const QString& file) {
      const Facts f = r.ok ? factsOf(file) : Facts{};
      out << QString::asprintf(
          "  %-22s %7.3f s  %8.0f pages/s  peak %5ld MiB  pages %5d  bookmarks %5d%s\n", who,
          r.seconds, totalPages / r.seconds, r.peakKiB / 1024, f.pages, f.bookmarks,
          r.ok ? "" : "  (failed)");
    };
    line("PdfInsert (Folvane)", folvane, mine);
    line("qpdf --empty --pages", qpdf, viaQpdf);
    line("pdfunite", unite, viaUnite);
    out << QString::asprintf("  Folvane / qpdf %.2f, Folvane / pdfunite %.2f\n",
                             folvane.seconds / qpdf.seconds, folvane.seconds / unite.seconds);
    out.flush();
  }
  return 0;
}
