// The merged file's writer on real qpdf documents: its syntax, its file
// layout and its errors.
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "fakes/PdfMaker.h"
#include "platform/pdf/PdfError.h"
#include "platform/pdf/writer/PdfFileOutput.h"
#include "platform/pdf/writer/PdfSyntax.h"
#include "platform/pdf/writer/PdfWriter.h"

using namespace folvane;
using fakes::MakePdf;
using fakes::OutlineOf;
using fakes::PageLabels;

namespace {

std::shared_ptr<QPDF> opened(const QString& path) {
  auto pdf = std::make_shared<QPDF>();
  pdf->processFile(QFile::encodeName(path).constData());
  pdf->pushInheritedAttributesToPage();
  return pdf;
}

// A source's file opened again as the program's origin does, counted; it
// fails on demand.
struct CountedOrigin final : platform::PdfOrigin {
  QString path;
  mutable int reopened = 0;
  bool fail = false;
  explicit CountedOrigin(QString file) : path(std::move(file)) {}
  std::shared_ptr<QPDF> reopen() const override {
    ++reopened;
    if (fail) throw platform::PdfError("変更されました");
    return opened(path);
  }
};

}  // namespace

class TestPdfWriter : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  QString written(platform::PdfWriter& writer, const QString& name) {
    const QString out = dir_.filePath(name);
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(out));
    writer.write(file.handle());
    return out;
  }

 private slots:
  // Names with blanks, delimiters, number signs, bytes past ASCII and the
  // null qpdf keeps for a lone number sign read back as the same name.
  void namesAndNumbersReadBackAsWritten() {
    const std::vector<std::string> names{"/Plain",
                                         "/With Blank",
                                         "/a#b",
                                         "/(x)[y]<z>{w}/%",
                                         "/\xe6\x9b\xb8\xe9\xa1\x9e",
                                         std::string("/n\0x", 4)};
    for (const std::string& name : names) {
      std::string text;
      platform::pdfsyntax::AppendName(text, name);
      QVERIFY2(text.find_first_of(" ()[]<>{}%", 1) == std::string::npos, text.c_str());
      const std::string expected = name.find('\0') == std::string::npos ? name : "/n#x";
      QCOMPARE(QPDFObjectHandle::parse(text).getName(), expected);
    }
    std::string numbers;
    for (long long n : {0LL, -7LL, 9999999999LL}) {
      platform::pdfsyntax::AppendNumber(numbers, n);
      numbers += ' ';
    }
    QCOMPARE(numbers, std::string("0 -7 9999999999 "));
  }

  // Every object stands where the cross-reference table says, whether its
  // stream data was held or read from its document at the write, and qpdf
  // finds nothing to mend.
  void everyObjectStandsWhereTheTableSays() {
    MakePdf(dir_.filePath("a.pdf"), "A", 2);
    MakePdf(dir_.filePath("b.pdf"), "B", 3);
    for (size_t limit : {platform::PdfWriter::kHoldLimit, size_t(0)}) {
      platform::PdfWriter writer(opened(dir_.filePath("a.pdf")), limit);
      writer.insert(1, opened(dir_.filePath("b.pdf")), 0, 3, true);
      const QString out = written(writer, QStringLiteral("xref%1.pdf").arg(limit));
      QFile file(out);
      QVERIFY(file.open(QIODevice::ReadOnly));
      const QByteArray bytes = file.readAll();
      const qsizetype xref = bytes.lastIndexOf("\nxref\n") + 1;
      const QList<QByteArray> lines = bytes.mid(xref).split('\n');
      const int size = lines[1].split(' ')[1].toInt();
      QVERIFY(size > 10);
      for (int number = 1; number < size; ++number) {
        const qint64 offset = lines[2 + number].left(10).toLongLong();
        QVERIFY2(bytes.mid(offset).startsWith(QByteArray::number(number) + " 0 obj\n"),
                 qPrintable(QStringLiteral("object %1 at %2").arg(number).arg(offset)));
      }
      QProcess check;
      check.setProcessChannelMode(QProcess::MergedChannels);
      check.start("qpdf", {"--check", out});
      QVERIFY(check.waitForFinished(30000));
      QVERIFY2(check.exitCode() == 0, check.readAll().constData());
      QCOMPARE(PageLabels(out), (QStringList{"A p1", "A p2", "B p1", "B p2", "B p3"}));
    }
  }

  // A range outside the source is refused in Japanese and leaves the
  // writer as it was: the next insertion and the file are whole.
  void aRefusedInsertionLeavesTheWriterAsItWas() {
    MakePdf(dir_.filePath("a.pdf"), "A", 1);
    MakePdf(dir_.filePath("b.pdf"), "B", 2);
    platform::PdfWriter writer(opened(dir_.filePath("a.pdf")));
    const auto b = opened(dir_.filePath("b.pdf"));
    using Range = std::tuple<int, int, int>;
    for (auto [after, first, count] :
         {Range{0, 1, 2}, Range{0, -1, 1}, Range{1, 0, 1}, Range{-2, 0, 1}}) {
      try {
        writer.insert(after, b, first, count, true);
        QFAIL("an insertion outside the pages was taken");
      } catch (const platform::PdfError& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("ページ番号が範囲外です"));
      }
      QCOMPARE(writer.pageCount(), 1);
    }
    writer.insert(0, b, 1, 1, true);
    const QString out = written(writer, "after-refusal.pdf");
    QCOMPARE(PageLabels(out), (QStringList{"A p1", "B p2"}));
    QCOMPARE(OutlineOf(out).size(), 2 + 3);
  }

  // Readers show a bookmark with children closed only for a negative
  // /Count: one of 0 stays open, one of -1 closed, first file or later.
  void aBookmarksOpenStateIsReadAsReadersReadIt() {
    const QString path = dir_.filePath("counts.pdf");
    MakePdf(path + ".plain", "C", 3);
    {
      QPDF pdf;
      pdf.processFile(QFile::encodeName(path + ".plain").constData());
      QPDFObjectHandle first = pdf.getRoot().getKey("/Outlines").getKey("/First");
      first.replaceKey("/Count", QPDFObjectHandle::newInteger(0));
      QPDFObjectHandle second = first.getKey("/Next");
      QPDFObjectHandle child = first.getKey("/First");  // shared: the second's kid is a copy
      QPDFObjectHandle copy = pdf.makeIndirectObject(child.shallowCopy());
      copy.replaceKey("/Parent", second);
      second.replaceKey("/First", copy);
      second.replaceKey("/Last", copy);
      second.replaceKey("/Count", QPDFObjectHandle::newInteger(-1));
      const QByteArray name = QFile::encodeName(path);
      QPDFWriter writer(pdf, name.constData());
      writer.write();
    }
    MakePdf(dir_.filePath("plain.pdf"), "P", 1, false);
    platform::PdfWriter writer(opened(path));
    writer.insert(writer.pageCount() - 1, opened(path), 0, 3, true);
    writer.insert(writer.pageCount() - 1, opened(dir_.filePath("plain.pdf")), 0, 1, true);
    QPDF merged;
    merged.processFile(QFile::encodeName(written(writer, "counts-merged.pdf")).constData());
    QStringList counts;
    for (QPDFObjectHandle item = merged.getRoot().getKey("/Outlines").getKey("/First");
         item.isDictionary(); item = item.getKey("/Next"))
      counts << QString::number(
          item.getKey("/Count").isInteger() ? item.getKey("/Count").getIntValue() : 0);
    // Each file: open with one child shown, closed with one hidden, none.
    QCOMPARE(counts, (QStringList{"1", "-1", "0", "1", "-1", "0"}));
    // The root counts the entries shown: three of each file's top, one child each.
    QCOMPARE(merged.getRoot().getKey("/Outlines").getKey("/Count").getIntValue(), 8LL);
  }

  // Every page keeps the label its file gave it, wherever it goes in;
  // pages of a file without labels are numbered where they stand.
  void pageLabelsAreCarried() {
    const auto labelled = [&](const QString& name, const char* labels) {
      const QString path = dir_.filePath(name);
      MakePdf(path + ".plain", name, 2, false);
      QPDF pdf;
      pdf.processFile(QFile::encodeName(path + ".plain").constData());
      pdf.getRoot().replaceKey("/PageLabels", QPDFObjectHandle::parse(labels));
      const QByteArray file = QFile::encodeName(path);
      QPDFWriter writer(pdf, file.constData());
      writer.write();
      return opened(path);
    };
    const auto roman = labelled("roman.pdf", "<< /Nums [0 << /S /r >>] >>");
    const auto prefixed = labelled("prefixed.pdf", "<< /Nums [0 << /S /D /P (A-) /St 5 >>] >>");
    MakePdf(dir_.filePath("none.pdf"), "N", 2, false);
    platform::PdfWriter writer(roman);
    writer.insert(1, opened(dir_.filePath("none.pdf")), 0, 2, false);
    writer.insert(0, prefixed, 1, 1, false);  // its second page, between the first two
    QPDF merged;
    merged.processFile(QFile::encodeName(written(writer, "labels.pdf")).constData());
    QPDFPageLabelDocumentHelper labels(merged);
    QStringList shown;
    for (int i = 0; i < 5; ++i) {
      QPDFObjectHandle label = labels.getLabelForPage(i);
      shown << QString::fromStdString(
          label.getKey("/S").getName() + ":" +
          (label.hasKey("/P") ? label.getKey("/P").getUTF8Value() : "") + ":" +
          std::to_string(label.getKey("/St").getIntValue()));
    }
    QCOMPARE(shown, (QStringList{"/r::1", "/D:A-:6", "/r::2", "/D::4", "/D::5"}));
    QProcess check;
    check.start("qpdf", {"--check", dir_.filePath("labels.pdf")});
    QVERIFY(check.waitForFinished(30000));
    QVERIFY2(check.exitCode() == 0, check.readAll().constData());
  }

  // A field written in the form itself, not as an object of its own, as
  // some producers write it, stays in the form.
  void aFieldWrittenInTheFormStays() {
    const QString path = dir_.filePath("direct-field.pdf");
    MakePdf(path + ".plain", "F", 1, false);
    {
      QPDF pdf;
      pdf.processFile(QFile::encodeName(path + ".plain").constData());
      pdf.getRoot().replaceKey(
          "/AcroForm",
          QPDFObjectHandle::parse("<< /Fields [<< /FT /Tx /T (inline) /V (kept) >>] >>"));
      const QByteArray file = QFile::encodeName(path);
      QPDFWriter writer(pdf, file.constData());
      writer.write();
    }
    platform::PdfWriter writer(opened(path));
    QPDF merged;
    merged.processFile(QFile::encodeName(written(writer, "direct-merged.pdf")).constData());
    QPDFObjectHandle fields = merged.getRoot().getKey("/AcroForm").getKey("/Fields");
    QCOMPARE(fields.getArrayNItems(), 1);
    QCOMPARE(fields.getArrayItem(0).getKey("/V").getUTF8Value(), std::string("kept"));
  }

  // A form whose field list is damaged brings the fields on its pages, and
  // a second copy of it brings its own under free names.
  void aDamagedFieldListGivesThePagesFields() {
    const QString path = dir_.filePath("bad-list.pdf");
    fakes::MakeFormPdf(path + ".good", "name", "Hello", 2);
    {
      QPDF pdf;
      pdf.processFile(QFile::encodeName(path + ".good").constData());
      pdf.getRoot().getKey("/AcroForm").replaceKey("/Fields", QPDFObjectHandle::newName("/bad"));
      const QByteArray file = QFile::encodeName(path);
      QPDFWriter writer(pdf, file.constData());
      writer.write();
    }
    platform::PdfWriter writer(opened(path));
    writer.insert(0, opened(path), 0, 1, false);
    QPDF merged;
    merged.processFile(QFile::encodeName(written(writer, "bad-list-merged.pdf")).constData());
    QStringList names;
    for (QPDFObjectHandle field : merged.getRoot().getKey("/AcroForm").getKey("/Fields").aitems())
      names << QString::fromStdString(field.getKey("/T").getUTF8Value());
    QCOMPARE(names, (QStringList{"name", "name", "name+1", "name+1"}));
  }

  // An insertion that fails half-way, at a stream whose data cannot be
  // read, takes back every object it wrote: the file still has each object
  // its table lists, and the next insertion goes in whole.
  void anInsertionFailingHalfWayIsTakenBack() {
    MakePdf(dir_.filePath("a.pdf"), "A", 1);
    MakePdf(dir_.filePath("b.pdf"), "B", 1);
    platform::PdfWriter writer(opened(dir_.filePath("a.pdf")));
    struct Unreadable final : QPDFObjectHandle::StreamDataProvider {
      void provideStreamData(QPDFObjGen const&, Pipeline*) override {
        throw std::runtime_error("the disk went away");
      }
    };
    auto broken = std::make_shared<QPDF>();
    broken->emptyPDF();
    QPDFObjectHandle font = broken->makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>"));
    QPDFObjectHandle page = broken->makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 612 792] /Resources << /Font << >> >> >>"));
    page.getKey("/Resources").getKey("/Font").replaceKey("/F1", font);
    QPDFObjectHandle content = QPDFObjectHandle::newStream(broken.get());
    content.replaceStreamData(std::make_shared<Unreadable>(), QPDFObjectHandle::newNull(),
                              QPDFObjectHandle::newNull());
    page.replaceKey("/Contents", content);
    QPDFPageDocumentHelper(*broken).addPage(QPDFPageObjectHelper(page), false);
    QVERIFY_THROWS_EXCEPTION(std::exception, writer.insert(0, broken, 0, 1, true));
    QCOMPARE(writer.pageCount(), 1);
    writer.insert(0, opened(dir_.filePath("b.pdf")), 0, 1, true);
    const QString out = written(writer, "after-failure.pdf");
    QCOMPARE(PageLabels(out), (QStringList{"A p1", "B p1"}));
  }

  // A file that cannot be written is told by the system's cause; a table
  // with an object never placed is the writer's own fault, said as such.
  void writeFailuresCarryTheirCause() {
    MakePdf(dir_.filePath("a.pdf"), "A", 1);
    platform::PdfWriter writer(opened(dir_.filePath("a.pdf")));
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    QVERIFY(full >= 0);
    try {
      writer.write(full);
      QFAIL("a write to a full disk was taken");
    } catch (const platform::PdfError& e) {
      QCOMPARE(e.systemError(), ENOSPC);
      QCOMPARE(platform::CauseOf(e), QStringLiteral("ディスクの空き容量が足りません"));
    }
    ::close(full);

    QFile file(dir_.filePath("unplaced.pdf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    platform::PdfFileOutput out(file.handle(), 3, 1, 4);
    out.place(1, out.pos());
    out.put("1 0 obj\nnull\nendobj\n");
    try {
      out.finish(1, 0);
      QFAIL("a table with a hole was written");
    } catch (const platform::PdfError& e) {
      QVERIFY(
          QString::fromUtf8(e.what()).startsWith(QStringLiteral("内部エラー: オブジェクト 2 ")));
      QCOMPARE(e.systemError(), 0);
    }
  }

  // Stream data are held in memory up to a bound; past it every stream is
  // read from its file at the save, as large ones are, and the file comes
  // out the same. A source given with its origin is not kept for that: it
  // is read again, once for all its streams, or read from while still held.
  void streamDataAreHeldUpToABound() {
    const QString m = dir_.path();
    MakePdf(m + "/base.pdf", "S", 1);
    MakePdf(m + "/t.pdf", "T", 3);
    struct Made {
      QStringList labels, outline;
      int streams = 0, heldStreams = 0, endstreams = 0;
    };
    const auto made = [&](const QString& out) {
      Made made{PageLabels(out), OutlineOf(out)};
      QFile bytes(out);
      made.endstreams =
          bytes.open(QIODevice::ReadOnly) ? int(bytes.readAll().count("endstream")) : -1;
      QPDF pdf;
      pdf.processFile(QFile::encodeName(out).constData());
      for (QPDFObjectHandle& object : pdf.getAllObjects()) {
        if (!object.isStream()) continue;
        ++made.streams;
        if (!object.getDict().getKey("/Length").isIndirect()) ++made.heldStreams;
      }
      return made;
    };
    const auto compose = [&](size_t limit) {
      platform::PdfWriter composition(opened(m + "/base.pdf"), limit);
      composition.insert(0, opened(m + "/t.pdf"), 0, 3, true);
      return made(written(composition, QStringLiteral("out%1.pdf").arg(limit)));
    };
    const Made held = compose(platform::PdfWriter::kHoldLimit);
    const Made read = compose(0);
    QCOMPARE(held.labels, (QStringList{"S p1", "T p1", "T p2", "T p3"}));
    QCOMPARE(read.labels, held.labels);
    QCOMPARE(read.outline, held.outline);
    QCOMPARE(held.outline.size(), 2 + 4);
    QCOMPARE(held.streams, 4);
    QCOMPARE(held.heldStreams, 4);
    QCOMPARE(read.streams, 4);
    QCOMPARE(read.heldStreams, 0);
    QCOMPARE(held.endstreams, 4);  // each stream ends once, wherever its data came from
    QCOMPARE(read.endstreams, 4);

    auto baseOrigin = std::make_shared<CountedOrigin>(m + "/base.pdf");
    auto tOrigin = std::make_shared<CountedOrigin>(m + "/t.pdf");
    auto heldOrigin = std::make_shared<CountedOrigin>(m + "/t.pdf");
    std::weak_ptr<QPDF> baseLetGo, tLetGo;
    auto stillHeld = opened(m + "/t.pdf");
    platform::PdfWriter composition = [&] {
      auto base = opened(m + "/base.pdf");
      baseLetGo = base;
      return platform::PdfWriter(base, 0, baseOrigin);
    }();
    {
      auto t = opened(m + "/t.pdf");
      tLetGo = t;
      composition.insert(0, t, 0, 2, true, tOrigin);
    }
    composition.insert(2, stillHeld, 2, 1, false, heldOrigin);
    QVERIFY(baseLetGo.expired());
    QVERIFY(tLetGo.expired());
    const Made again = made(written(composition, "again.pdf"));
    QCOMPARE(again.labels, held.labels);
    QCOMPARE(again.streams, 4);
    QCOMPARE(again.endstreams, 4);
    QCOMPARE(baseOrigin->reopened, 1);
    QCOMPARE(tOrigin->reopened, 1);
    QCOMPARE(heldOrigin->reopened, 0);

    baseOrigin->fail = true;
    QFile file(dir_.filePath("failed.pdf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY_THROWS_EXCEPTION(platform::PdfError, composition.write(file.handle()));
  }
};

QTEST_MAIN(TestPdfWriter)
#include "test_PdfWriter.moc"
