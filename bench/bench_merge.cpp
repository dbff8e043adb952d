// Merging through PdfInsert against `qpdf --empty --pages` and pdfunite on the
// same files, in one run: seconds, pages per second, peak memory, bookmarks.
// Four folders: many small files of ten pages, a thousand one-page files, a
// few dozen files of several MB with a picture on every page, and 300
// tagged files of 1 MB as word processors write them (a structure tree of
// thousands of objects, in object streams).
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <vector>

#include "acrobat/clsPDFMarge.h"
#include "fakes/FakePlatform.h"
#include "fakes/PdfMaker.h"
#include "platform/files/LinuxFiles.h"
#include "platform/pdf/QpdfAcrobat.h"

using namespace folvane;

extern char** environ;

namespace {

struct Result {
  double seconds = 0;
  long peakKiB = 0;
  bool ok = false;
  double returned = 0;  // Folvane's: when PdfInsert returned, before its memory is freed
};

// Where a merging child notes when PdfInsert returned (shared with its parent).
double* g_returned = nullptr;
QElapsedTimer* g_started = nullptr;

// Merges run in children of a small process forked at the start, before the
// bench fills its own memory with the files it makes: a child forked from
// that would pay for copying the bench's pages, which no merge in the
// program does. The commands run as fresh processes, as a user starts them.
struct Runner {
  int toRunner = -1;
  int fromRunner = -1;
};

Result forkAndWait(const std::function<bool()>& work) {
  QElapsedTimer timer;
  timer.start();
  g_started = &timer;
  if (g_returned) *g_returned = 0;
  const pid_t pid = fork();
  if (pid == 0) _exit(work() ? 0 : 1);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  return {timer.nsecsElapsed() / 1e9, usage.ru_maxrss,
          WIFEXITED(status) && WEXITSTATUS(status) == 0, g_returned ? *g_returned : 0};
}

bool mergeWithFolvane(const QString& src, const QString& target, const QString& spool);

// The runner's loop: a line "source\ttarget\tspool" in, a Result out.
[[noreturn]] void serve(int in, int out) {
  void* shared =
      mmap(nullptr, sizeof(double), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared != MAP_FAILED) g_returned = static_cast<double*>(shared);
  FILE* commands = fdopen(in, "r");
  char line[4096];
  while (fgets(line, sizeof line, commands)) {
    const QStringList parts = QString::fromUtf8(line).trimmed().split('\t');
    const Result r = forkAndWait([&] { return mergeWithFolvane(parts[0], parts[1], parts[2]); });
    if (write(out, &r, sizeof r) != ssize_t(sizeof r)) break;
  }
  _exit(0);
}

Runner startRunner() {
  int down[2], up[2];
  if (pipe(down) != 0 || pipe(up) != 0) std::abort();
  if (fork() == 0) {
    ::close(down[1]);
    ::close(up[0]);
    serve(down[0], up[1]);
  }
  ::close(down[0]);
  ::close(up[1]);
  return {down[1], up[0]};
}

Result runInRunner(const Runner& runner, const QString& src, const QString& target,
                   const QString& spool) {
  const QByteArray line = (src + '\t' + target + '\t' + spool + '\n').toUtf8();
  Result r;
  if (write(runner.toRunner, line.constData(), size_t(line.size())) != line.size() ||
      read(runner.fromRunner, &r, sizeof r) != ssize_t(sizeof r))
    return {};
  return r;
}

// The median of five runs: this machine's timings wander from run to run.
Result median(const std::function<Result()>& once) {
  std::vector<Result> runs;
  for (int i = 0; i < 5; ++i) runs.push_back(once());
  std::sort(runs.begin(), runs.end(),
            [](const Result& a, const Result& b) { return a.seconds < b.seconds; });
  return runs[2];
}

bool mergeWithFolvane(const QString& src, const QString& target, const QString& spool) {
  fakes::FakePlatform fake;
  platform::LinuxFiles files(platform::CodePage("UTF-8"));
  platform::QpdfAcrobat acrobat(fake.spooler, spool);
  platform::Platform p{
      fake.profile, fake.process, fake.ui,     fake.registry, fake.printers, fake.system,
      files,        fake.clock,   fake.office, fake.spooler,  acrobat,       fake.drives,
      {},           {},           {},          fake.progress};
  clsPDFMarge marge(p);
  marge.SourceDir(src);
  marge.DestFile(target);
  try {
    const bool merged = marge.PdfInsert() == 0;
    if (g_returned && g_started) *g_returned = g_started->nsecsElapsed() / 1e9;
    return merged;
  } catch (...) {
    return false;
  }
}

// A command as a fresh process, timed from its start to its end.
Result run(const QStringList& args) {
  std::vector<std::string> storage;
  for (const QString& a : args) storage.push_back(a.toStdString());
  std::vector<char*> argv;
  for (auto& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);
  QElapsedTimer timer;
  timer.start();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return {};
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  return {timer.nsecsElapsed() / 1e9, usage.ru_maxrss,
          WIFEXITED(status) && WEXITSTATUS(status) == 0, g_returned ? *g_returned : 0};
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

// A photograph-like picture: smooth colour fields with fine noise, which
// JPEG cannot squeeze much, as scans and photos are.
QByteArray MakeJpeg(int seed, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  uint32_t state = uint32_t(seed) * 2654435761u + 1;
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const int noise = int(state >> 27);
      row[x] = qRgb((x * 255 / width + seed * 40 + noise) & 255,
                    (y * 255 / height + noise * 3) & 255, ((x + y + seed * 17) / 4 + noise) & 255);
    }
  }
  QPainter painter(&image);
  painter.setFont(QFont(QStringLiteral("Sans"), height / 10));
  painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Picture %1").arg(seed));
  painter.end();
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 90);
  return jpeg;
}

// A file of `pictures.size()` pages, each with one full-page picture and a
// line of text, and a bookmark per page as fakes::MakePdf makes them.
void MakePicturePdf(const QString& path, const QString& label,
                    const std::vector<QByteArray>& pictures, int width, int height) {
  const QString plain = path + QStringLiteral(".text.pdf");
  fakes::MakePdf(plain, label, int(pictures.size()));
  QPDF pdf;
  pdf.processFile(QFile::encodeName(plain).constData());
  QFile::remove(plain);
  auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
  for (size_t i = 0; i < pages.size(); ++i) {
    QPDFObjectHandle image = QPDFObjectHandle::newStream(
        &pdf, std::string(pictures[i].constData(), size_t(pictures[i].size())));
    image.replaceDict(QPDFObjectHandle::parse(
        "<< /Type /XObject /Subtype /Image /ColorSpace /DeviceRGB /BitsPerComponent 8 /Width " +
        std::to_string(width) + " /Height " + std::to_string(height) + " >>"));
    image.replaceStreamData(std::string(pictures[i].constData(), size_t(pictures[i].size())),
                            QPDFObjectHandle::newName("/DCTDecode"), QPDFObjectHandle::newNull());
    QPDFObjectHandle page = pages[i].getObjectHandle();
    QPDFObjectHandle resources = page.getKey("/Resources");
    resources.replaceKey("/XObject", QPDFObjectHandle::newDictionary());
    resources.getKey("/XObject").replaceKey("/Im1", image);
    page.addPageContents(QPDFObjectHandle::newStream(&pdf, "q 540 0 0 700 36 60 cm /Im1 Do Q"),
                         true);
  }
  const QByteArray name = QFile::encodeName(path);  // the writer keeps the pointer
  QPDFWriter writer(pdf, name.constData());
  writer.write();
}

// A tagged file of about 1 MB: `pages` pages of marked text, each line a
// structure element, all in object streams.
void MakeTaggedPdf(const QString& path, int seed, int pages = 10, int lines = 1500) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle font = pdf.makeIndirectObject(
      QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"));
  QPDFObjectHandle tree =
      pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /StructTreeRoot /K [] >>"));
  QPDFObjectHandle kids = tree.getKey("/K");
  uint32_t state = uint32_t(seed) * 2654435761u + 1;
  const auto letters = [&](int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
      state = state * 1664525u + 1013904223u;
      text += "abcdefghij klmnop"[(state >> 24) % 17];
    }
    return text;
  };
  QPDFPageDocumentHelper doc(pdf);
  for (int p = 0; p < pages; ++p) {
    std::string contents;
    for (int i = 0; i < lines; ++i)
      contents += "/P <</MCID " + std::to_string(i) + ">> BDC BT /F1 8 Tf 30 " +
                  std::to_string(800 - (i % 90) * 9) + " Td (" + letters(60) + ") Tj ET EMC\n";
    QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 595 842] /StructParents " + std::to_string(p) + " >>"));
    page.replaceKey("/Resources", QPDFObjectHandle::parse("<< /Font << >> >>"));
    page.getKey("/Resources").getKey("/Font").replaceKey("/F1", font);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, contents));
    doc.addPage(QPDFPageObjectHelper(page), false);
    for (int i = 0; i < lines; ++i) {
      QPDFObjectHandle element = pdf.makeIndirectObject(QPDFObjectHandle::parse(
          "<< /Type /StructElem /S /P /K " + std::to_string(i) + " /Alt (" + letters(20) + ") >>"));
      element.replaceKey("/P", tree);
      element.replaceKey("/Pg", page);
      kids.appendItem(element);
    }
  }
  pdf.getRoot().replaceKey("/StructTreeRoot", tree);
  pdf.getRoot().replaceKey("/MarkInfo", QPDFObjectHandle::parse("<< /Marked true >>"));
  const QByteArray name = QFile::encodeName(path);
  QPDFWriter writer(pdf, name.constData());
  writer.setObjectStreamMode(qpdf_o_generate);
  writer.write();
}

}  // namespace

int main(int argc, char* argv[]) {
  const Runner runner = startRunner();  // first, while this process is small
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // the pictures are drawn with fonts
  QTextStream out(stdout);
  QTemporaryDir dir;

  enum Kind { kPlain, kPictures, kTagged };
  struct Case {
    const char* name;
    int files;
    int pages;
    Kind kind;
  };
  for (const Case& c :
       {Case{"100 files x 10 pages", 100, 10, kPlain}, Case{"1000 files x 1 page", 1000, 1, kPlain},
        Case{"24 files x 6 pages with pictures", 24, 6, kPictures},
        Case{"300 tagged files x 10 pages (1 MB each)", 300, 10, kTagged}}) {
    const QString src = dir.filePath(QString::fromLatin1(c.name).replace(' ', '_'));
    QDir().mkpath(src);
    QStringList inputs;
    std::vector<QByteArray> pictures;
    constexpr int kWidth = 1200, kHeight = 900;
    if (c.kind == kPictures)
      for (int i = 0; i < 12; ++i) pictures.push_back(MakeJpeg(i, kWidth, kHeight));
    qint64 bytesIn = 0;
    for (int i = 0; i < c.files; ++i) {
      const QString path = src + QStringLiteral("/f%1.pdf").arg(i, 4, 10, QChar('0'));
      const QString label = QStringLiteral("F%1").arg(i);
      if (c.kind == kPictures) {
        std::vector<QByteArray> these;
        for (int p = 0; p < c.pages; ++p)
          these.push_back(pictures[size_t(i + p) % pictures.size()]);
        MakePicturePdf(path, label, these, kWidth, kHeight);
      } else if (c.kind == kTagged) {
        MakeTaggedPdf(path, i, c.pages);
      } else {
        fakes::MakePdf(path, label, c.pages);
      }
      bytesIn += QFileInfo(path).size();
      inputs << path;
    }
    int bookmarksIn = 0;
    for (const QString& in : inputs) bookmarksIn += factsOf(in).bookmarks;
    const int totalPages = c.files * c.pages;
    out << "\n"
        << c.name << " (" << totalPages << " pages, " << bookmarksIn << " bookmarks, "
        << QString::number(bytesIn / 1048576.0, 'f', 1) << " MiB in all)\n";

    const QString mine = dir.filePath("mine.pdf");
    const Result folvane =
        median([&] { return runInRunner(runner, src, mine, dir.filePath("spool")); });
    const QString viaQpdf = dir.filePath("qpdf.pdf");
    const Result qpdf = median([&] {
      return run(QStringList{"qpdf", "--empty", "--pages"} + inputs + QStringList{"--", viaQpdf});
    });
    const QString viaUnite = dir.filePath("pdfunite.pdf");
    const Result unite =
        median([&] { return run(QStringList{"pdfunite"} + inputs + QStringList{viaUnite}); });

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
    // What the user waits for: the program frees the merged document on
    // another thread after PdfInsert has returned.
    out << QString::asprintf("  PdfInsert returned after %.3f s: / qpdf %.2f, / pdfunite %.2f\n",
                             folvane.returned, folvane.returned / qpdf.seconds,
                             folvane.returned / unite.seconds);
    out.flush();
    QDir(src).removeRecursively();  // the next folder's files in its place
  }
  ::close(runner.toRunner);
  return 0;
}
