#include <QImage>
#include <QTest>
#include <QXmlStreamReader>

#include "RealDocuments.h"

using namespace folvane;

namespace {

struct Parsed {
  QString error;
  QStringList fonts;
  QList<QImage> pictures;
  int headings1 = 0, headings2 = 0, tables = 0, rows = 0;
};

// Reads a flat document as LibreOffice would have to: well-formed XML,
// every embedded picture decodable.
Parsed parse(const QString& xml) {
  Parsed p;
  QXmlStreamReader r(xml);
  while (!r.atEnd()) {
    if (r.readNext() != QXmlStreamReader::StartElement) continue;
    const auto name = r.qualifiedName();
    if (name == u"style:font-face")
      p.fonts << r.attributes().value("style:name").toString();
    else if (name == u"text:h")
      ++(r.attributes().value("text:outline-level") == u"1" ? p.headings1 : p.headings2);
    else if (name == u"table:table")
      ++p.tables;
    else if (name == u"table:table-row")
      ++p.rows;
    else if (name == u"office:binary-data")
      p.pictures << QImage::fromData(QByteArray::fromBase64(r.readElementText().toLatin1()));
  }
  if (r.hasError()) p.error = r.errorString();
  return p;
}

}  // namespace

class TestRealDocuments : public QObject {
  Q_OBJECT
 private slots:
  void reportHasHeadingsTablesFontsAndPictures() {
    for (int n : {0, 2}) {
      const Parsed p = parse(bench::ReportFodt(n));
      QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
      const int sections = 4 + n % 3;
      QCOMPARE(p.headings1, sections);
      QCOMPARE(p.headings2, sections);
      QCOMPARE(p.tables, sections);
      QCOMPARE(p.rows, sections * 13);                       // a header and twelve rows each
      QCOMPARE(p.pictures.size(), sections + sections / 2);  // photos, and a chart every other
      for (const QImage& picture : p.pictures) QVERIFY(!picture.isNull());
      QCOMPARE(p.fonts, bench::RealDocumentFonts());
    }
  }

  void workbookHasALedgerAndPictures() {
    const Parsed p = parse(bench::WorkbookFods(3));
    QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
    QCOMPARE(p.tables, 2);  // the ledger and the picture sheet
    QVERIFY(p.rows >= 250);
    QCOMPARE(p.pictures.size(), 3);
    for (const QImage& picture : p.pictures) QVERIFY(!picture.isNull());
    QCOMPARE(p.fonts, bench::RealDocumentFonts());
  }

  void photographsAreReproducibleAndCostTheirBytes() {
    const QImage a = bench::PhotoLike(320, 200, 7);
    QCOMPARE(a, bench::PhotoLike(320, 200, 7));
    QVERIFY(a != bench::PhotoLike(320, 200, 8));
    // The grain keeps JPEG from squeezing a 720x480 picture below ~50 KB:
    // the documents are a few hundred KB because of it.
    QVERIFY(bench::Encoded(bench::PhotoLike(720, 480, 1), "JPEG", 80).size() > 40 * 1024);
    // The chart is flat colour: small as PNG.
    const QByteArray chart = bench::Encoded(bench::ChartLike(640, 360, 1), "PNG");
    QVERIFY(!chart.isEmpty() && chart.size() < 40 * 1024);
  }
};

QTEST_MAIN(TestRealDocuments)
#include "test_RealDocuments.moc"
