// The fonts documents name are drawn by their metric-compatible stand-ins on
// the real engine: the PDF's font list says which font drew each document.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/office/OfficeEngine.h"

using folvane::platform::OfficeEngine;

namespace {

// A one-paragraph text document whose Latin and Asian text use `font`.
QByteArray flatDocument(const QString& font, const QString& text) {
  return QStringLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
             "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
             "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
             "office:version=\"1.2\" "
             "office:mimetype=\"application/vnd.oasis.opendocument.text\">"
             "<office:font-face-decls><style:font-face style:name=\"F\" "
             "svg:font-family=\"&apos;%1&apos;\"/></office:font-face-decls>"
             "<office:automatic-styles><style:style style:name=\"P\" "
             "style:family=\"paragraph\"><style:text-properties style:font-name=\"F\" "
             "style:font-name-asian=\"F\"/></style:style></office:automatic-styles>"
             "<office:body><office:text><text:p text:style-name=\"P\">%2</text:p>"
             "</office:text></office:body></office:document>")
      .arg(font, text)
      .toUtf8();
}

// The base names of the fonts a PDF uses (subset prefixes dropped).
QStringList fontsOf(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdffonts"), {pdf});
  p.waitForFinished(20000);
  QStringList names;
  const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
  for (qsizetype i = 2; i < lines.size(); ++i) {
    const QString name = lines[i].section(u' ', 0, 0, QString::SectionSkipEmpty);
    if (!name.isEmpty()) names << name.section(u'+', -1);
  }
  return names;
}

}  // namespace

class TestOfficeFonts : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void eachNamedFontIsDrawnByItsStandIn() {
    OfficeEngine::Options options;
    options.helperPath = QStringLiteral(OFFICE_HELPER);
    options.profileDir = dir_.filePath("profile");
    OfficeEngine engine(options);
    const QString japanese = QStringLiteral("日本語の本文、ＡＢＣ");
    const QString latin = QStringLiteral("Quarterly figures");
    const struct {
      const char* font;
      const char* standIn;
      bool asian;
    } cases[] = {
        {"ＭＳ 明朝", "IPAMincho", true},
        {"ＭＳ明朝", "IPAMincho", true},
        {"MS Mincho", "IPAMincho", true},
        {"ＭＳ Ｐ明朝", "IPAPMincho", true},
        {"MS PMincho", "IPAPMincho", true},
        {"ＭＳ ゴシック", "IPAGothic", true},
        {"MS Gothic", "IPAGothic", true},
        {"ＭＳ Ｐゴシック", "IPAPGothic", true},
        {"MS PGothic", "IPAPGothic", true},
        {"MS UI Gothic", "IPAPGothic", true},
        {"Calibri", "Carlito", false},
        {"Calibri Light", "Carlito", false},
        {"Cambria", "Caladea", false},
        {"Arial", "LiberationSans", false},
        {"Times New Roman", "LiberationSerif", false},
        {"Courier New", "LiberationMono", false},
    };
    int n = 0;
    for (const auto& c : cases) {
      const QString source = dir_.filePath(QStringLiteral("f%1.fodt").arg(n));
      const QString pdf = dir_.filePath(QStringLiteral("f%1.pdf").arg(n++));
      QFile f(source);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(flatDocument(QString::fromUtf8(c.font), c.asian ? japanese : latin));
      f.close();
      engine.Convert(source, pdf, QStringLiteral("pdf"));
      const QStringList fonts = fontsOf(pdf);
      const QString standIn = QString::fromLatin1(c.standIn);
      QVERIFY2(fonts.size() == 1 && fonts[0].startsWith(standIn),
               qPrintable(QString::fromUtf8(c.font) + " -> " + fonts.join(u',')));
    }
  }
};

QTEST_GUILESS_MAIN(TestOfficeFonts)
#include "test_OfficeFonts.moc"
