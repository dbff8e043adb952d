// The document driver on the real PDF engine (qpdf) and real files.
#include <sys/resource.h>

#include <cstdio>
#include <functional>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include "acrobat/clsPDFMarge.h"
#include "fakes/FakePlatform.h"
#include "fakes/PdfMaker.h"
#include "platform/Failure.h"
#include "platform/files/LinuxFiles.h"
#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/PooledFileInputSource.h"
#include "platform/pdf/QpdfAcrobat.h"

using namespace folvane;
using fakes::MakeFormPdf;
using fakes::MakeInheritingPdf;
using fakes::MakeLayeredPdf;
using fakes::MakePdf;
using fakes::OutlineOf;
using fakes::PageLabels;

namespace {

QString output(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// Size, rotation and text of every page, as poppler reads them:
// "400 x 300 pts rot 90 | First p1".
QStringList pageFacts(const QString& pdf) {
  static const QRegularExpression line(QStringLiteral("^Page\\s+\\d+ (size|rot):\\s+(.*)$"));
  QStringList sizes, rotations;
  for (const QString& l : output("pdfinfo", {"-f", "1", "-l", "9999", pdf}).split('\n')) {
    const auto match = line.match(l);
    if (match.hasMatch())
      (match.captured(1) == "size" ? sizes : rotations) << match.captured(2).trimmed();
  }
  const QStringList texts = output("pdftotext", {pdf, "-"}).split('\f');
  QStringList facts;
  for (qsizetype i = 0; i < sizes.size(); ++i)
    facts << sizes[i] + " rot " + rotations.value(i) + " | " + texts.value(i).simplified();
  return facts;
}

// Every page drawn small in grey, as pdftoppm draws it.
QList<QByteArray> renders(const QString& pdf) {
  QTemporaryDir out;
  QProcess::execute("pdftoppm", {"-r", "12", "-gray", pdf, out.filePath("p")});
  QList<QByteArray> pictures;
  for (const QString& name : QDir(out.path()).entryList(QDir::Files, QDir::Name)) {
    QFile f(out.filePath(name));
    if (f.open(QIODevice::ReadOnly)) pictures << f.readAll();
  }
  return pictures;
}

// A PDF whose outline loops and shares: the last entry's /Next leads back to
// the first, the second entry's child is the first entry's child, and that
// child's /Next leads up to the outline root.
void MakeLoopedOutlinePdf(const QString& path, const QString& label) {
  const QString plain = path + ".plain";
  MakePdf(plain, label, 3);
  {
    QPDF pdf;
    pdf.processFile(QFile::encodeName(plain).constData());
    QPDFObjectHandle root = pdf.getRoot().getKey("/Outlines");
    QPDFObjectHandle first = root.getKey("/First");
    QPDFObjectHandle second = first.getKey("/Next");
    root.getKey("/Last").replaceKey("/Next", first);
    second.replaceKey("/First", first.getKey("/First"));
    second.replaceKey("/Last", first.getKey("/First"));
    second.replaceKey("/Count", QPDFObjectHandle::newInteger(1));
    first.getKey("/First").replaceKey("/Next", root);
    const QByteArray name = QFile::encodeName(path);
    QPDFWriter writer(pdf, name.constData());
    writer.write();
  }
  QFile::remove(plain);
}

// A one-page PDF carrying a plain stream /Blob of 200 KiB + `i` bytes: the
// number 100000 + `i`, "..", then the letter `i` picks. Encrypted (AES-256)
// with a user password, when one is given.
void MakeBlobPdf(const QString& path, int i, const char* userPassword = nullptr) {
  QPDF pdf;
  pdf.emptyPDF();
  std::string data(200 * 1024 + size_t(i), char('a' + i % 26));
  data.replace(0, 8, QByteArray::number(100000 + i).toStdString() + "..");
  QPDFObjectHandle page = pdf.makeIndirectObject(
      QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 100 100] /Resources << >> >>"));
  page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, "0 0 m 9 9 l S"));
  page.replaceKey("/Blob", QPDFObjectHandle::newStream(&pdf, data));
  QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
  const QByteArray name = QFile::encodeName(path);
  QPDFWriter writer(pdf, name.constData());
  writer.setCompressStreams(false);
  if (userPassword)
    writer.setR6EncryptionParameters(userPassword, "owner", true, true, true, true, true, true,
                                     qpdf_r3p_full, true);
  writer.write();
}

// The /Blob stream of a page as MakeBlobPdf made it, or what differs.
QString blobCheck(QPDFObjectHandle page, int i) {
  const auto data = page.getKey("/Blob").getStreamData();
  const std::string head(reinterpret_cast<const char*>(data->getBuffer()), 8);
  if (int(data->getSize()) != 200 * 1024 + i) return QStringLiteral("size %1").arg(data->getSize());
  if (QByteArray::fromStdString(head) != QByteArray::number(100000 + i) + "..")
    return QString::fromStdString("head " + head);
  if (char(data->getBuffer()[data->getSize() - 1]) != char('a' + i % 26)) return "tail";
  return "ok";
}

}  // namespace

class TestQpdfAcrobat : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  fakes::FakePlatform fake_;
  platform::LinuxFiles files_{platform::CodePage("UTF-8")};
  platform::QpdfAcrobat acrobat_{fake_.spooler, dir_.filePath("spool")};
  platform::PdfFilePool pool_;  // for documents opened without the automation objects

  platform::Platform platform() {
    platform::Platform p = fake_.platform;
    return platform::Platform{p.profile,        p.process,      p.ui,           p.registry,
                              p.printers,       p.system,       files_,         p.clock,
                              p.office,         p.spooler,      acrobat_,       p.drives,
                              p.collectingFile, p.outputFolder, p.switchRecord, p.progress};
  }
  QString folder(const QString& name) {
    const QString path = dir_.filePath(name);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
  }
  int16_t merge(const QString& source, const QString& dest) {
    platform::Platform p = platform();
    clsPDFMarge marge(p);
    marge.SourceDir(source);
    marge.DestFile(dest);
    return marge.PdfInsert();
  }
  QString failureOf(const QString& source, const QString& dest) {
    try {
      merge(source, dest);
    } catch (const platform::Failure& e) {
      return e.message();
    }
    return {};
  }

 private slots:
  void pagesAndEveryBookmarkInListingOrder() {
    const QString m = folder("merge");
    MakePdf(m + "/b.pdf", "B", 2);
    MakePdf(m + "/A.PDF", "A", 3);
    MakePdf(m + "/c.pdf", "C", 1, false);  // one without bookmarks
    MakePdf(m + "/d.pdf", "D", 2);
    QVERIFY(QDir().mkpath(m + "/sub"));
    MakePdf(m + "/sub/e.pdf", "E", 1);
    MakePdf(m + "/.hidden.pdf", "H", 1);
    const QString out = dir_.filePath("merged.pdf");
    QCOMPARE(merge(m, out), int16_t(0));
    QCOMPARE(PageLabels(out),
             (QStringList{"A p1", "A p2", "A p3", "B p1", "B p2", "C p1", "D p1", "D p2"}));
    QCOMPARE(OutlineOf(out),
             (QStringList{"A-1>1", "  A-child>3", "A-2>2", "A-3>3", "B-1>4", "  B-child>5", "B-2>5",
                          "D-1>7", "  D-child>8", "D-2>8"}));
  }

  void oneFileAndTheMergedFileInItsOwnFolder() {
    const QString m = folder("own");
    MakePdf(m + "/only.pdf", "O", 2);
    QCOMPARE(merge(m, m + "/merged.pdf"), int16_t(0));
    QCOMPARE(PageLabels(m + "/merged.pdf"), (QStringList{"O p1", "O p2"}));
    // The next run lists the merged file and merges it in as well.
    QCOMPARE(merge(m, m + "/merged.pdf"), int16_t(0));
    QCOMPARE(PageLabels(m + "/merged.pdf"), (QStringList{"O p1", "O p2", "O p1", "O p2"}));
    QCOMPARE(QDir(m).entryList(QDir::Files | QDir::Hidden).size(), 2);  // no temporary left
  }

  // In a shared folder another user may plant links under names a save
  // could use: the save writes through none of them and leaves nothing.
  void aSaveFollowsNoPlantedLink() {
    const QString m = folder("planted");
    const QString shared = folder("shared");
    MakePdf(m + "/a.pdf", "A", 1);
    QFile victim(dir_.filePath("victim.txt"));
    QVERIFY(victim.open(QIODevice::WriteOnly) && victim.write("precious") == 8);
    victim.close();
    const QByteArray target = QFile::encodeName(victim.fileName());
    for (const QString& name : {QStringLiteral(".merged.pdf.folvane-%1").arg(::getpid()),
                                QStringLiteral(".folvane-tmp-0")})
      QVERIFY(::symlink(target.constData(), QFile::encodeName(shared + "/" + name).constData()) ==
              0);
    QCOMPARE(merge(m, shared + "/merged.pdf"), int16_t(0));
    QCOMPARE(PageLabels(shared + "/merged.pdf"), QStringList{"A p1"});
    QVERIFY(victim.open(QIODevice::ReadOnly));
    QCOMPARE(victim.readAll(), QByteArray("precious"));
    QCOMPARE(QDir(shared)
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                 .size(),
             3);  // the two links and the merged file
  }

  void cp932NamesAreMergedAndPrintedAndUnreadableOnesTold() {
    const QString m = folder("names");
    const QByteArray bytes = QFile::encodeName(m) + '/';
    // Names as copies from Windows bring them: ソフト.pdf and 表.pdf in CP932.
    MakePdf(m + "/tmp-soft.pdf", "S", 1);
    MakePdf(m + "/tmp-hyo.pdf", "H", 1);
    MakePdf(m + "/tmp-bad.pdf", "X", 1);
    QCOMPARE(::rename(QFile::encodeName(m + "/tmp-soft.pdf").constData(),
                      (bytes + "\x83\x5c\x83\x74\x83\x67.pdf").constData()),
             0);
    QCOMPARE(::rename(QFile::encodeName(m + "/tmp-hyo.pdf").constData(),
                      (bytes + "\x95\x5c.pdf").constData()),
             0);
    QCOMPARE(::rename(QFile::encodeName(m + "/tmp-bad.pdf").constData(),
                      (bytes + "\xff.pdf").constData()),
             0);
    MakePdf(m + "/docb.pdf", "B", 1);
    MakePdf(m + "/doc_x.pdf", "D", 1);
    const QString out = dir_.filePath("names-merged.pdf");
    platform::Platform p = platform();
    clsPDFMarge marge(p);
    marge.SourceDir(m);
    marge.DestFile(out);
    QCOMPARE(marge.PdfInsert(), int16_t(0));
    // Windows' order: "docb" before "doc_x"; the CP932 names after ASCII.
    QCOMPARE(PageLabels(out), (QStringList{"B p1", "D p1", "S p1", "H p1"}));
    QCOMPARE(marge.UnreadableNames(), QStringList{"\\xFF.pdf"});

    QStringList printed;
    fake_.spooler.onPrint = [&](const QString& path) { printed << PageLabels(path).join(','); };
    clsPDFMarge print(p);
    print.SourceDir(m);
    print.PDFPrint();
    fake_.spooler.onPrint = nullptr;
    QCOMPARE(printed, (QStringList{"B p1", "D p1", "S p1", "H p1"}));
    QCOMPARE(print.UnreadableNames(), QStringList{"\\xFF.pdf"});
    fake_.spooler.printed.clear();
  }

  void aBadInputIsNamedAndNothingIsWritten() {
    const QString m = folder("bad");
    MakePdf(m + "/a.pdf", "A", 1);
    QFile junk(m + "/b.pdf");
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("this was never a PDF");
    junk.close();
    const QString out = dir_.filePath("kept.pdf");
    QFile old(out);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an earlier merge");
    old.close();
    const QString why = failureOf(m, out);
    QVERIFY2(why.contains(m + "/b.pdf"), qPrintable(why));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("an earlier merge"));

    QFile::remove(m + "/b.pdf");
    MakePdf(m + "/b.pdf", "B", 1, true, "secret");  // needs a password to open
    const QString locked = failureOf(m, out);
    QVERIFY2(locked.contains(m + "/b.pdf"), qPrintable(locked));

    // A file gone between listing and opening is told by its system cause.
    QString gone;
    try {
      acrobat_.CreateObject("AcroExch.PDDoc")->Invoke("Open", {platform::Arg(m + "/gone.pdf")});
    } catch (const platform::Failure& e) {
      gone = e.message();
    }
    QVERIFY2(gone.contains(m + "/gone.pdf") && gone.contains("ありません"), qPrintable(gone));
  }

  void everyBadInputIsNamedInOneMessage() {
    const QString m = folder("manybad");
    const auto junk = [&](const QString& name) {
      QFile f(m + "/" + name);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("not a PDF at all");
    };
    junk("a00.pdf");  // the first file, the base of the merge, is bad too
    for (int i = 1; i <= 22; ++i) junk(QStringLiteral("b%1.pdf").arg(i, 2, 10, QChar('0')));
    MakePdf(m + "/c.pdf", "C", 1);
    MakePdf(m + "/d.pdf", "D", 1, true, "secret");
    const QString out = dir_.filePath("manybad.pdf");
    QFile old(out);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an earlier merge");
    old.close();

    const QString why = failureOf(m, out);
    QVERIFY2(why.contains("24 件"), qPrintable(why));
    QCOMPARE(why.count("\n・"), 20);
    QVERIFY2(why.contains(m + "/a00.pdf") && why.contains(m + "/b19.pdf"), qPrintable(why));
    QVERIFY2(!why.contains(m + "/b20.pdf") && !why.contains(m + "/c.pdf"), qPrintable(why));
    QVERIFY2(why.endsWith("ほか 4 件"), qPrintable(why));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("an earlier merge"));
    old.close();
    QCOMPARE(QDir(dir_.path()).entryList({".manybad*"}, QDir::Files | QDir::Hidden).size(), 0);

    // A few: each named with its cause, the password-protected one as such.
    for (int i = 1; i <= 22; ++i)
      QFile::remove(m + QStringLiteral("/b%1.pdf").arg(i, 2, 10, QChar('0')));
    const QString few = failureOf(m, out);
    QVERIFY2(few.contains("2 件") && !few.contains("ほか"), qPrintable(few));
    QVERIFY2(few.contains(m + "/a00.pdf") && few.contains("PDF ファイルではありません"),
             qPrintable(few));
    // qpdf's cause in Japanese, its own words after it.
    QVERIFY2(few.contains("目録（トレーラー）が見つかりません（unable to find trailer dictionary"),
             qPrintable(few));
    QVERIFY2(few.contains(m + "/d.pdf」を開けません（パスワードで保護されています"),
             qPrintable(few));
  }

  void aFileQpdfCanRepairIsMerged() {
    const QString m = folder("repair");
    MakePdf(m + "/a.pdf", "A", 1);
    MakePdf(m + "/b.pdf", "B", 2);
    QFile b(m + "/b.pdf");
    QVERIFY(b.open(QIODevice::ReadOnly));
    QByteArray bytes = b.readAll();
    b.close();
    bytes.truncate(bytes.lastIndexOf("xref"));  // no cross-reference table, no trailer
    QVERIFY(b.open(QIODevice::WriteOnly));
    b.write(bytes);
    b.close();
    QCOMPARE(merge(m, dir_.filePath("repaired.pdf")), int16_t(0));
    QCOMPARE(PageLabels(dir_.filePath("repaired.pdf")), (QStringList{"A p1", "B p1", "B p2"}));
  }

  void aSaveThatCannotBeWrittenIsAnError() {
    const QString m = folder("nosave");
    MakePdf(m + "/a.pdf", "A", 1);
    const QString why = failureOf(m, dir_.filePath("no/such/folder/x.pdf"));
    QVERIFY2(why.contains("no/such/folder/x.pdf"), qPrintable(why));
    // The name the user set, never the temporary one written first.
    QVERIFY2(!why.contains(".folvane-") && why.contains("フォルダー"), qPrintable(why));
    QVERIFY(QDir().mkpath(dir_.filePath("taken.pdf")));  // a folder holds the name
    const QString taken = failureOf(m, dir_.filePath("taken.pdf"));
    QVERIFY2(taken.contains(dir_.filePath("taken.pdf") + "」") && !taken.contains(".folvane-"),
             qPrintable(taken));
    QCOMPARE(QDir(dir_.path()).entryList({".taken*"}, QDir::Files | QDir::Hidden).size(), 0);
    QVERIFY2(failureOf(m, QString()).contains("ファイル名が空"), "an empty name is told");
  }

  void aThousandFilesWithFewFileDescriptors() {
    const QString m = folder("many");
    for (int i = 0; i < 1000; ++i)
      MakePdf(m + QStringLiteral("/f%1.pdf").arg(i, 4, 10, QChar('0')),
              QStringLiteral("F%1").arg(i), 1, i % 10 == 0);
    struct rlimit old {};
    getrlimit(RLIMIT_NOFILE, &old);
    struct rlimit low = old;
    low.rlim_cur = 256;
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &low), 0);
    const QString why = failureOf(m, dir_.filePath("thousand.pdf"));
    setrlimit(RLIMIT_NOFILE, &old);
    QVERIFY2(why.isEmpty(), qPrintable(why));
    const QStringList labels = PageLabels(dir_.filePath("thousand.pdf"));
    QCOMPARE(labels.size(), 1000);
    QCOMPARE(labels.last(), QStringLiteral("F999 p1"));
    QCOMPARE(OutlineOf(dir_.filePath("thousand.pdf")).size(), 200);  // 100 files x (1 + child)
  }

  void inheritedSizeRotationAndFontsSurviveAsFirstAndLaterInput() {
    const QString m = folder("inherit");
    MakeInheritingPdf(m + "/1.pdf", "First", 2, 400, 300, 90);
    MakePdf(m + "/2.pdf", "Plain", 1);
    MakeInheritingPdf(m + "/3.pdf", "Later", 2, 500, 200, 180);
    {
      QPDF source;  // the pages themselves carry none of it
      source.processFile(QFile::encodeName(m + "/3.pdf").constData());
      QPDFObjectHandle page = source.getAllPages().front();
      QVERIFY(!page.hasKey("/MediaBox") && !page.hasKey("/Rotate") && !page.hasKey("/Resources"));
    }
    const QStringList first = pageFacts(m + "/1.pdf");
    QCOMPARE(first,
             (QStringList{"400 x 300 pts rot 90 | First p1", "400 x 300 pts rot 90 | First p2"}));
    const QStringList later = pageFacts(m + "/3.pdf");
    QCOMPARE(later.first(), QStringLiteral("500 x 200 pts rot 180 | Later p1"));

    const QString out = dir_.filePath("inherit.pdf");
    QCOMPARE(merge(m, out), int16_t(0));
    QCOMPARE(pageFacts(out), first + pageFacts(m + "/2.pdf") + later);
    const QList<QByteArray> drawn = renders(out);
    QCOMPARE(drawn.size(), 5);
    QCOMPARE(drawn, renders(m + "/1.pdf") + renders(m + "/2.pdf") + renders(m + "/3.pdf"));
  }

  // Filled forms after a plain file keep every field with its own value,
  // the clashing name made free (alike for the fields one file has under
  // one name), and are drawn from their values, as each file alone is.
  void everyFilesFormIsCarried() {
    const QString m = folder("forms");
    MakePdf(m + "/1.pdf", "Plain", 1);
    MakeFormPdf(m + "/2.pdf", "name", "Hello A");
    MakeFormPdf(m + "/3.pdf", "name", "Hello B", 2);
    const QString out = dir_.filePath("forms.pdf");
    QCOMPARE(merge(m, out), int16_t(0));
    QProcess qpdf;
    qpdf.start("qpdf", {"--json=2", "--json-key=acroform", out});
    QVERIFY(qpdf.waitForFinished(30000));
    const QJsonObject form =
        QJsonDocument::fromJson(qpdf.readAllStandardOutput()).object().value("acroform").toObject();
    QStringList fields;
    for (const auto& v : form.value("fields").toArray()) {
      const QJsonObject f = v.toObject();
      fields << QStringLiteral("%1=%2 on %3")
                    .arg(f.value("fullname").toString(),
                         f.value("value").toString().remove(QStringLiteral("u:")))
                    .arg(f.value("pageposfrom1").toInt());
    }
    QCOMPARE(fields,
             (QStringList{"name=Hello A on 2", "name+1=Hello B on 3", "name+1=Hello B on 3"}));
    QVERIFY(form.value("needappearances").toBool());
    QProcess check;
    check.start("qpdf", {"--check", out});
    QVERIFY(check.waitForFinished(30000));
    QVERIFY2(check.exitCode() == 0, check.readAll().constData());
    // Drawn anew from the values, not from the stale pictures.
    QCOMPARE(renders(out), renders(m + "/1.pdf") + renders(m + "/2.pdf") + renders(m + "/3.pdf"));
    QVERIFY(renders(m + "/2.pdf") != renders(m + "/3.pdf"));
  }

  // A later file's hidden layer stays hidden, and stays a layer.
  void aLaterFilesHiddenLayerStaysHidden() {
    const QString m = folder("layers");
    MakePdf(m + "/1.pdf", "Plain", 1);
    MakeLayeredPdf(m + "/2.pdf", "Layered");
    const QString out = dir_.filePath("layers.pdf");
    QCOMPARE(merge(m, out), int16_t(0));
    QCOMPARE(renders(out), renders(m + "/1.pdf") + renders(m + "/2.pdf"));
    QPDF merged;
    merged.processFile(QFile::encodeName(out).constData());
    QPDFObjectHandle properties = merged.getRoot().getKey("/OCProperties");
    QCOMPARE(properties.getKey("/OCGs").getArrayNItems(), 1);
    QPDFObjectHandle ocg = properties.getKey("/OCGs").getArrayItem(0);
    QCOMPARE(ocg.getKey("/Name").getUTF8Value(), std::string("hidden box"));
    QVERIFY(properties.getKey("/D").getKey("/OFF").getArrayItem(0).getObjGen() == ocg.getObjGen());
    QPDFObjectHandle second = merged.getAllPages()[1];
    QVERIFY(second.getKey("/Resources").getKey("/Properties").getKey("/box").getObjGen() ==
            ocg.getObjGen());
  }

  void aLoopingOrSharedOutlineIsFollowedOnce() {
    const QString m = folder("loop");
    MakeLoopedOutlinePdf(m + "/1.pdf", "K");
    MakePdf(m + "/2.pdf", "N", 2);
    MakeLoopedOutlinePdf(m + "/3.pdf", "L");
    const QString out = dir_.filePath("loop.pdf");
    QCOMPARE(merge(m, out), int16_t(0));
    // Each distinct entry once; the shared child stays with its first parent.
    QCOMPARE(OutlineOf(out),
             (QStringList{"K-1>1", "  K-child>3", "K-2>2", "K-3>3", "N-1>4", "  N-child>5", "N-2>5",
                          "L-1>6", "  L-child>8", "L-2>7", "L-3>8"}));
    QPDF merged;
    merged.processFile(QFile::encodeName(out).constData());
    QCOMPARE(merged.getRoot().getKey("/Outlines").getKey("/Count").getIntValue(), 11LL);
  }

  void theMergedFileCarriesNoInputsEncryption() {
    const QString m = folder("crypt");
    MakePdf(m + "/a.pdf", "A", 2, true, "");  // opens without a password: owner-protected
    MakePdf(m + "/b.pdf", "B", 1);
    MakePdf(m + "/c.pdf", "C", 1, false, "");
    MakeBlobPdf(m + "/d.pdf", 4, "");  // its large stream is decrypted as the file is saved
    {
      QPDF first;
      first.processFile(QFile::encodeName(m + "/a.pdf").constData());
      QVERIFY(first.isEncrypted());
    }
    const QString out = dir_.filePath("crypt.pdf");
    QCOMPARE(merge(m, out), int16_t(0));
    QPDF merged;
    merged.processFile(QFile::encodeName(out).constData());
    QVERIFY(!merged.isEncrypted());
    QCOMPARE(PageLabels(out), (QStringList{"A p1", "A p2", "B p1", "C p1", "0 0 m 9 9 l S"}));
    QCOMPARE(blobCheck(merged.getAllPages()[4], 4), QStringLiteral("ok"));
    QCOMPARE(OutlineOf(out),
             (QStringList{"A-1>1", "  A-child>2", "A-2>2", "B-1>3", "  B-child>3"}));
  }

  // Documents announced for reading ahead open as they would without it:
  // in another order, twice, or failing with the same message.
  void documentsOpenTheSameWhetherReadAheadOrNot() {
    const QString m = folder("ahead");
    MakePdf(m + "/a.pdf", "A", 2);
    MakePdf(m + "/b.pdf", "B", 3);
    MakePdf(m + "/c.pdf", "C", 1);
    QFile junk(m + "/bad.pdf");
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("no PDF here");
    junk.close();
    const auto failureOpening = [&](const QString& path) {
      try {
        acrobat_.CreateObject("AcroExch.PDDoc")->Invoke("Open", {platform::Arg(path)});
      } catch (const platform::Failure& e) {
        return e.message();
      }
      return QString();
    };
    const QString direct = failureOpening(m + "/bad.pdf");
    QVERIFY(direct.contains(m + "/bad.pdf"));

    const auto pagesOf = [&](const QString& path) {
      auto doc = acrobat_.CreateObject("AcroExch.PDDoc");
      doc->Invoke("Open", {platform::Arg(path)});
      const int pages = std::get<int32_t>(doc->Invoke("GetNumPages", {}));
      doc->Invoke("Close", {});
      return pages;
    };
    const auto ahead =
        acrobat_.ReadAhead({m + "/a.pdf", m + "/bad.pdf", m + "/b.pdf", m + "/c.pdf"});
    QCOMPARE(pagesOf(m + "/c.pdf"), 1);  // not the next one: opened at once
    QCOMPARE(pagesOf(m + "/a.pdf"), 2);
    QCOMPARE(failureOpening(m + "/bad.pdf"), direct);
    QCOMPARE(pagesOf(m + "/b.pdf"), 3);
    QCOMPARE(pagesOf(m + "/b.pdf"), 3);  // handed out once, then opened as usual
    QCOMPARE(pagesOf(m + "/c.pdf"), 1);
  }

  // A document read ahead brings its outline rebuilt once: inserted twice,
  // it still gives two separate copies, with no loop between them.
  void aDocumentReadAheadInsertedTwiceKeepsBothOutlines() {
    const QString m = folder("twice");
    MakePdf(m + "/base.pdf", "S", 1, false);
    MakePdf(m + "/src.pdf", "T", 2);
    platform::PdfDocument source(pool_, m + "/src.pdf");
    source.readAhead(false);  // as the thread reading ahead does
    platform::PdfDocument base(pool_, m + "/base.pdf");
    base.insertPages(0, source, 0, 2, true);
    base.insertPages(2, source, 0, 2, true);
    const QString out = dir_.filePath("twice.pdf");
    base.save(out);
    QCOMPARE(PageLabels(out), (QStringList{"S p1", "T p1", "T p2", "T p1", "T p2"}));
    QStringList titles;
    for (const QString& entry : OutlineOf(out)) titles << entry.section('>', 0, 0);
    QCOMPARE(titles, (QStringList{"T-1", "  T-child", "T-2", "T-1", "  T-child", "T-2"}));
    QPDF merged;
    merged.processFile(QFile::encodeName(out).constData());
    QCOMPARE(merged.getRoot().getKey("/Outlines").getKey("/Count").getIntValue(), 6LL);
  }

  // A document holding pages of others still gives their contents when it
  // is put into a third and closed before that one is saved.
  void aMergedDocumentPutElsewhereKeepsItsPages() {
    const QString m = folder("nested");
    MakePdf(m + "/a.pdf", "A", 1);
    MakePdf(m + "/b.pdf", "B", 2);
    MakePdf(m + "/n.pdf", "N", 1);
    platform::PdfDocument outer(pool_, m + "/n.pdf");
    {
      platform::PdfDocument inner(pool_, m + "/a.pdf");
      {
        platform::PdfDocument b(pool_, m + "/b.pdf");
        inner.insertPages(0, b, 0, 2, true);
      }
      outer.insertPages(0, inner, 0, 3, true);
    }
    const QString out = dir_.filePath("nested.pdf");
    outer.save(out);
    QCOMPARE(PageLabels(out), (QStringList{"N p1", "A p1", "B p1", "B p2"}));
    QCOMPARE(OutlineOf(out).size(), 7);
  }

  // The merged file is written while the other thread still reads: big
  // picture-like streams of many files arrive whole and in order.
  void manyFilesWithLargeStreamsArriveWhole() {
    const QString m = folder("large");
    for (int i = 0; i < 80; ++i)  // more files than the pool keeps open
      MakeBlobPdf(m + QStringLiteral("/f%1.pdf").arg(i, 3, 10, QChar('0')), i);
    const QString out = dir_.filePath("large.pdf");
    QCOMPARE(merge(m, out), int16_t(0));
    QPDF merged;
    merged.processFile(QFile::encodeName(out).constData());
    const auto pages = QPDFPageDocumentHelper(merged).getAllPages();
    QCOMPARE(int(pages.size()), 80);
    for (int i = 0; i < 80; ++i)
      QCOMPARE(blobCheck(pages[size_t(i)].getObjectHandle(), i), QStringLiteral("ok"));
  }

  // The merged file is written by the program itself: qpdf finds no fault
  // in it, the first file's own entries (document title, page mode, a link
  // between its pages, a name that needs escapes) survive, objects packed
  // in object streams come out, and the header names the newest version.
  void theMergedFileIsSoundAndKeepsTheFirstFilesEntries() {
    const QString m = folder("sound");
    const auto rewrite = [](const QString& path, const std::function<void(QPDF&)>& change,
                            const std::function<void(QPDFWriter&)>& options) {
      QPDF pdf;
      pdf.processFile(QFile::encodeName(path).constData());
      change(pdf);
      const QByteArray name = QFile::encodeName(path + ".new");
      QPDFWriter writer(pdf, name.constData());
      options(writer);
      writer.write();
      QVERIFY(QFile::remove(path) && QFile::rename(path + ".new", path));
    };
    MakePdf(m + "/a.pdf", "A", 2);
    rewrite(
        m + "/a.pdf",
        [](QPDF& pdf) {
          pdf.getTrailer().replaceKey(
              "/Info", pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Title (Minutes) >>")));
          pdf.getRoot().replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
          std::vector<QPDFObjectHandle> pages = pdf.getAllPages();
          QPDFObjectHandle link = pdf.makeIndirectObject(QPDFObjectHandle::parse(
              "<< /Type /Annot /Subtype /Link /Rect [0 0 100 100] /Dest [null /Fit] >>"));
          link.getKey("/Dest").setArrayItem(0, pages[1]);
          pages[0].replaceKey("/Annots", QPDFObjectHandle::newArray({link}));
          pages[0].replaceKey("/Odd Key#", QPDFObjectHandle::newName("/x (y)"));
        },
        [](QPDFWriter& w) { w.forcePDFVersion("1.3"); });
    MakePdf(m + "/b.pdf", "B", 1);
    rewrite(
        m + "/b.pdf", [](QPDF&) {},
        [](QPDFWriter& w) {
          w.setObjectStreamMode(qpdf_o_generate);
          w.setMinimumPDFVersion("1.7");
        });

    const QString out = dir_.filePath("sound.pdf");
    QCOMPARE(merge(m, out), int16_t(0));
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start("qpdf", {"--check", out});
    QVERIFY(check.waitForFinished(30000));
    const QString report = QString::fromUtf8(check.readAll());
    QVERIFY2(check.exitCode() == 0 && report.contains("No syntax or stream encoding errors") &&
                 !report.contains("WARNING"),
             qPrintable(report));
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(9), QByteArray("%PDF-1.7\n"));
    file.close();

    QCOMPARE(PageLabels(out), (QStringList{"A p1", "A p2", "B p1"}));
    QPDF merged;
    merged.processFile(QFile::encodeName(out).constData());
    QCOMPARE(merged.getTrailer().getKey("/Info").getKey("/Title").getUTF8Value(),
             std::string("Minutes"));
    QVERIFY(merged.getRoot().getKey("/PageMode").isNameAndEquals("/UseOutlines"));
    std::vector<QPDFObjectHandle> pages = merged.getAllPages();
    QCOMPARE(pages[0].getKey("/Annots").getArrayItem(0).getKey("/Dest").getArrayItem(0).getObjGen(),
             pages[1].getObjGen());
    QVERIFY(pages[0].getKey("/Odd Key#").isNameAndEquals("/x (y)"));
    QCOMPARE(OutlineOf(out).size(), 5);
  }

  // Small streams are read when their pages are put in, large ones at the
  // save. A file cut short after it was opened fails that insertion alone,
  // and what was put in before stays whole; one cut short, or replaced by
  // another under its name, before the save fails the save, and the target
  // stays as it was.
  void aFileCutShortSpoilsNothing() {
    const QString m = folder("late");
    MakePdf(m + "/base.pdf", "S", 1);
    {
      QPDF pdf;  // a page whose 60 KB of contents come first in its file
      pdf.emptyPDF();
      QPDFObjectHandle page = pdf.makeIndirectObject(
          QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 100 100] /Resources << >> >>"));
      page.replaceKey("/Contents", QPDFObjectHandle::newStream(
                                       &pdf, std::string(60 * 1024, ' ') + "0 0 m 9 9 l S"));
      page.replaceKey("/ZBlob", QPDFObjectHandle::newStream(&pdf, std::string(200 * 1024, 'z')));
      QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
      const QByteArray name = QFile::encodeName(m + "/early.pdf");
      QPDFWriter writer(pdf, name.constData());
      writer.setCompressStreams(false);
      writer.write();
    }
    MakeBlobPdf(m + "/blob.pdf", 3);
    const QString out = m + "/out.pdf";
    QFile old(out);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    platform::PdfDocument base(pool_, m + "/base.pdf");
    const auto insertCut = [&](platform::PdfDocument& into) {
      QFile::copy(m + "/early.pdf", m + "/cut.pdf");
      platform::PdfDocument early(pool_, m + "/cut.pdf");
      early.readAhead(false);  // as read ahead: its objects are known, their data not yet
      QFile cut(m + "/cut.pdf");
      QVERIFY(cut.resize(0));
      QVERIFY_THROWS_EXCEPTION(platform::Failure, into.insertPages(0, early, 0, 1, true));
      QVERIFY(cut.remove());
    };
    insertCut(base);
    QCOMPARE(base.pageCount(), 1);
    {
      platform::PdfDocument blob(pool_, m + "/blob.pdf");
      base.insertPages(0, blob, 0, 1, true);
    }
    QFile cut(m + "/blob.pdf");
    QVERIFY(cut.resize(cut.size() / 2));
    try {
      base.save(out);
      QFAIL("the save went through");
    } catch (const platform::Failure& e) {
      QVERIFY2(e.message().contains(out), qPrintable(e.message()));
    }
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
    old.close();
    QCOMPARE(QDir(m).entryList(QDir::Files | QDir::Hidden).size(), 4);  // no temporary file

    {
      platform::PdfDocument replaced(pool_, m + "/base.pdf");
      {
        MakeBlobPdf(m + "/swap.pdf", 3);
        platform::PdfDocument blob(pool_, m + "/swap.pdf");
        replaced.insertPages(0, blob, 0, 1, true);
      }
      MakeBlobPdf(m + "/swap.pdf.new", 4);  // the same objects, other data
      QVERIFY(QFile::remove(m + "/swap.pdf") &&
              QFile::rename(m + "/swap.pdf.new", m + "/swap.pdf"));
      QVERIFY_THROWS_EXCEPTION(platform::Failure, replaced.save(out));
      QVERIFY(QFile::remove(m + "/swap.pdf"));
    }

    platform::PdfDocument again(pool_, m + "/base.pdf");
    insertCut(again);
    again.save(out);
    QCOMPARE(output("qpdf", {"--check", out}).count("No syntax or stream encoding errors"), 1);
    QCOMPARE(PageLabels(out), QStringList{"S p1"});
    QCOMPARE(OutlineOf(out), (QStringList{"S-1>1", "  S-child>1"}));
  }

  // A file put in page by page, out of order, shares its font among them,
  // and its links between pages hold across the insertions; a link to a
  // page never put in leads nowhere.
  void aFilePutInPageByPageKeepsItsLinksAndSharing() {
    const QString m = folder("bypage");
    MakePdf(m + "/base.pdf", "S", 1);
    MakePdf(m + "/t.pdf", "T", 3);
    {
      QPDF pdf;
      pdf.processFile(QFile::encodeName(m + "/t.pdf").constData());
      std::vector<QPDFObjectHandle> pages = pdf.getAllPages();
      for (size_t from : {0, 1}) {
        QPDFObjectHandle link = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Type /Annot /Subtype /Link /Rect [0 0 100 100] /Dest [null /Fit] >>"));
        link.getKey("/Dest").setArrayItem(0, pages[from + 1]);
        pages[from].replaceKey("/Annots", QPDFObjectHandle::newArray({link}));
      }
      const QByteArray name = QFile::encodeName(m + "/linked.pdf");
      QPDFWriter writer(pdf, name.constData());
      writer.write();
    }
    platform::PdfDocument base(pool_, m + "/base.pdf");
    {
      platform::PdfDocument t(pool_, m + "/linked.pdf");
      base.insertPages(0, t, 0, 1, false);  // T p1 links to T p2, not put in yet
      base.insertPages(1, t, 1, 1, false);  // T p2 links to T p3, never put in
    }
    const QString out = dir_.filePath("bypage.pdf");
    base.save(out);
    QCOMPARE(output("qpdf", {"--check", out}).count("No syntax or stream encoding errors"), 1);
    QCOMPARE(PageLabels(out), (QStringList{"S p1", "T p1", "T p2"}));
    QPDF merged;
    merged.processFile(QFile::encodeName(out).constData());
    std::vector<QPDFObjectHandle> pages = merged.getAllPages();
    const auto linkOf = [](QPDFObjectHandle page) {
      return page.getKey("/Annots").getArrayItem(0).getKey("/Dest").getArrayItem(0);
    };
    QCOMPARE(linkOf(pages[1]).getObjGen(), pages[2].getObjGen());
    QVERIFY(linkOf(pages[2]).isNull());
    const auto fontOf = [](QPDFObjectHandle page) {
      return page.getKey("/Resources").getKey("/Font").getKey("/F1").getObjGen();
    };
    QCOMPARE(fontOf(pages[1]), fontOf(pages[2]));
    QVERIFY(fontOf(pages[0]) != fontOf(pages[1]));  // another file's font stays its own
  }

  void printSendsEachWholeFileAsOneJob() {
    const QString p = folder("print");
    MakePdf(p + "/x.pdf", "X", 3);
    MakePdf(p + "/y.pdf", "Y", 1);
    QStringList pages;
    fake_.spooler.onPrint = [&](const QString& path) { pages << PageLabels(path).join(','); };
    platform::Platform plat = platform();
    clsPDFMarge marge(plat);
    marge.SourceDir(p);
    marge.PDFPrint();
    fake_.spooler.onPrint = nullptr;
    QCOMPARE(pages, (QStringList{"X p1,X p2,X p3", "Y p1"}));
    QCOMPARE(fake_.spooler.printed.size(), 2);
    QVERIFY(fake_.spooler.printed[0].endsWith(" x.pdf"));
  }

  void pageRangesAndUnknownNamesThroughTheObjects() {
    const QString p = folder("range");
    MakePdf(p + "/r.pdf", "R", 4);
    auto view = acrobat_.CreateObject("acroexch.AVDOC");  // letter case ignored
    view->Invoke("OPEN", {platform::Arg(p + "/r.pdf"), platform::Arg("")});
    QStringList pages;
    fake_.spooler.onPrint = [&](const QString& path) { pages << PageLabels(path).join(','); };
    platform::Variant last(int16_t(2));
    view->Invoke("PrintPages", {platform::Arg(1), platform::Arg::Ref(last), platform::Arg(2),
                                platform::Arg(true), platform::Arg(false)});
    fake_.spooler.onPrint = nullptr;
    QCOMPARE(pages, QStringList{"R p2,R p3"});
    QVERIFY(QDir(dir_.filePath("spool")).entryList({"*.pdf"}, QDir::Files).isEmpty());
    QVERIFY_THROWS_EXCEPTION(platform::Failure, view->Invoke("Fly", {}));
    QVERIFY_THROWS_EXCEPTION(platform::Failure, view->Invoke("Close", {}));  // wrong arity
    QVERIFY_THROWS_EXCEPTION(platform::Failure, acrobat_.CreateObject("AcroExch.Nothing"));
  }
};

QTEST_GUILESS_MAIN(TestQpdfAcrobat)
#include "test_QpdfAcrobat.moc"
