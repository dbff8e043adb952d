// The fonts Word documents name are drawn on the real engine by faces of the
// same kind: the PDF's font list says which faces drew each document.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "platform/office/OfficeEngine.h"

using folvane::platform::OfficeEngine;

namespace {

// A paragraph of `text`, bold or italic as asked.
struct Paragraph {
  QString text;
  bool bold = false;
  bool italic = false;
};

// A text document whose Latin and Asian text use `font`.
QByteArray flatDocument(const QString& font, const QList<Paragraph>& paragraphs) {
  QString styles, body;
  for (qsizetype i = 0; i < paragraphs.size(); ++i) {
    const Paragraph& p = paragraphs[i];
    QString look;
    if (p.bold) look += " fo:font-weight=\"bold\" style:font-weight-asian=\"bold\"";
    if (p.italic) look += " fo:font-style=\"italic\" style:font-style-asian=\"italic\"";
    styles +=
        QStringLiteral(
            "<style:style style:name=\"P%1\" style:family=\"paragraph\"><style:text-properties "
            "style:font-name=\"F\" style:font-name-asian=\"F\"%2/></style:style>")
            .arg(i)
            .arg(look);
    body += QStringLiteral("<text:p text:style-name=\"P%1\">%2</text:p>").arg(i).arg(p.text);
  }
  return QStringLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
             "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
             "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
             "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
             "office:version=\"1.2\" "
             "office:mimetype=\"application/vnd.oasis.opendocument.text\">"
             "<office:font-face-decls><style:font-face style:name=\"F\" "
             "svg:font-family=\"&apos;%1&apos;\"/></office:font-face-decls>"
             "<office:automatic-styles>%2</office:automatic-styles>"
             "<office:body><office:text>%3</office:text></office:body></office:document>")
      .arg(font, styles, body)
      .toUtf8();
}

QByteArray run(const QString& program, const QStringList& arguments) {
  QProcess p;
  p.start(program, arguments);
  p.waitForFinished(20000);
  return p.readAllStandardOutput();
}

// The base names of the fonts a PDF uses (subset prefixes dropped).
QStringList fontsOf(const QString& pdf) {
  QStringList names;
  const QStringList lines = QString::fromUtf8(run(QStringLiteral("pdffonts"), {pdf})).split(u'\n');
  for (qsizetype i = 2; i < lines.size(); ++i) {
    const QString name = lines[i].section(u' ', 0, 0, QString::SectionSkipEmpty);
    if (!name.isEmpty()) names << name.section(u'+', -1);
  }
  names.sort();
  return names;
}

// Whether the page draws outlined and filled text: the engine's bold for a
// face that has none.
bool emboldened(const QString& pdf) {
  const QString plain = pdf + ".qdf";
  run(QStringLiteral("qpdf"), {"--qdf", "--object-streams=disable", pdf, plain});
  QFile f(plain);
  if (!f.open(QIODevice::ReadOnly)) return false;
  return QRegularExpression(QStringLiteral("(^|\\s)2 Tr\\b"), QRegularExpression::MultilineOption)
      .match(QString::fromLatin1(f.readAll()))
      .hasMatch();
}

}  // namespace

class TestOfficeFonts : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  std::unique_ptr<OfficeEngine> engine_;
  int made_ = 0;

  // `font` in a Word document (written by the engine from a flat one, so it
  // passes the Word import as users' documents do), then its PDF.
  QString convert(const QString& font, const QList<Paragraph>& paragraphs) {
    const QString base = dir_.filePath(QStringLiteral("f%1").arg(made_++));
    QFile f(base + ".fodt");
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(flatDocument(font, paragraphs));
    f.close();
    engine_->Convert(base + ".fodt", base + ".docx", QStringLiteral("docx"));
    engine_->Convert(base + ".docx", base + ".pdf", QStringLiteral("pdf"));
    return base + ".pdf";
  }

 private slots:
  void initTestCase() {
    OfficeEngine::Options options;
    options.helperPath = QStringLiteral(OFFICE_HELPER);
    options.profileDir = dir_.filePath("profile");
    engine_ = std::make_unique<OfficeEngine>(options);
  }

  // Every name, in the spellings documents use, by the face of its kind
  // (and of its widths); heavy names drawn heavy.
  void eachNamedFontIsDrawnByAFaceOfItsKind() {
    const QString japanese = QStringLiteral("日本語の本文、ＡＢＣ abc 123");
    const QString latin = QStringLiteral("Quarterly figures");
    enum Weight { Regular, Heavy };
    const struct {
      const char* font;
      const char* face;
      Weight weight;
      bool japanese;  // the text: Japanese with Latin letters, or Latin
    } cases[] = {
        // Mincho.
        {"游明朝", "NotoSerifCJKjp-Regular", Regular, true},
        {"Yu Mincho", "NotoSerifCJKjp-Regular", Regular, true},
        {"游明朝 Light", "NotoSerifCJKjp-Regular", Regular, true},
        {"游明朝 Demibold", "NotoSerifCJKjp-Bold", Heavy, true},
        {"BIZ UD明朝 Medium", "BIZUDMincho-Regular", Regular, true},
        {"BIZ UDP明朝 Medium", "BIZUDPMincho-Regular", Regular, true},
        {"BIZ UD明朝", "BIZUDMincho-Regular", Regular, true},
        {"ＭＳ 明朝", "IPAMincho", Regular, true},
        {"ＭＳ明朝", "IPAMincho", Regular, true},
        {"MS Mincho", "IPAMincho", Regular, true},
        {"ＭＳ Ｐ明朝", "IPAPMincho", Regular, true},
        {"MS PMincho", "IPAPMincho", Regular, true},
        {"HG明朝B", "IPAMincho", Heavy, true},
        {"HGP明朝E", "IPAPMincho", Heavy, true},
        {"HGS明朝E", "IPAexMincho", Heavy, true},
        {"HG教科書体", "IPAMincho", Regular, true},
        {"HG正楷書体-PRO", "IPAexMincho", Regular, true},
        {"UD デジタル 教科書体 N-R", "IPAMincho", Regular, true},
        {"UDデジタル教科書体NP-R", "IPAPMincho", Regular, true},
        // Gothic.
        {"游ゴシック", "NotoSansCJKjp-Regular", Regular, true},
        {"Yu Gothic Light", "NotoSansCJKjp-Regular", Regular, true},
        {"游ゴシック Medium", "NotoSansCJKjp-Regular", Regular, true},
        {"メイリオ", "NotoSansCJKjp-Regular", Regular, true},
        {"Meiryo", "NotoSansCJKjp-Regular", Regular, true},
        {"Meiryo UI", "BIZUDPGothic-Regular", Regular, true},
        {"Yu Gothic UI", "BIZUDPGothic-Regular", Regular, true},
        {"BIZ UDゴシック", "BIZUDGothic-Regular", Regular, true},
        {"BIZ UDPゴシック", "BIZUDPGothic-Regular", Regular, true},
        {"ＭＳ ゴシック", "IPAGothic", Regular, true},
        {"ms gothic", "IPAGothic", Regular, true},
        {"ＭＳ Ｐゴシック", "IPAPGothic", Regular, true},
        {"MS UI Gothic", "IPAPGothic", Regular, true},
        {"HGｺﾞｼｯｸM", "BIZUDGothic-Regular", Regular, true},
        {"HGゴシックE", "BIZUDGothic-Bold", Heavy, true},
        {"ＨＧＰｺﾞｼｯｸＥ", "BIZUDPGothic-Bold", Heavy, true},
        {"HGSｺﾞｼｯｸM", "IPAexGothic", Regular, true},
        {"HG創英角ｺﾞｼｯｸUB", "BIZUDGothic-Bold", Heavy, true},
        {"HGS創英角ｺﾞｼｯｸUB", "IPAexGothic", Heavy, true},
        {"HG丸ｺﾞｼｯｸM-PRO", "IPAexGothic", Regular, true},
        // Latin.
        {"Century", "C059Roman", Regular, false},
        {"Book Antiqua", "P052Roman", Regular, false},
        {"Palatino Linotype", "P052Roman", Regular, false},
        {"Century Gothic", "URWGothicBook", Regular, false},
        {"Bookman Old Style", "URWBookmanLight", Regular, false},
        {"Calibri", "Carlito", Regular, false},
        {"Calibri Light", "Carlito", Regular, false},
        {"Cambria", "Caladea", Regular, false},
        {"Arial", "LiberationSans", Regular, false},
        {"Times New Roman", "LiberationSerif", Regular, false},
        {"Courier New", "LiberationMono", Regular, false},
    };
    for (const auto& c : cases) {
      const QString font = QString::fromUtf8(c.font);
      const QString face = QString::fromLatin1(c.face);
      const QString pdf = convert(font, {{c.japanese ? japanese : latin}});
      const QStringList fonts = fontsOf(pdf);
      const QString seen = font + " -> " + fonts.join(u',');
      QVERIFY2(fonts.size() == 1 && fonts[0].startsWith(face), qPrintable(seen));
      // Heavy by a bold face, or by the engine's bold where the kind has none.
      const bool heavy = fonts[0].contains(QStringLiteral("Bold")) || emboldened(pdf);
      QVERIFY2(heavy == (c.weight == Heavy), qPrintable(seen + (heavy ? " heavy" : " regular")));
    }
  }

  // The body font of Word's Japanese documents keeps its bold; Century, the
  // Latin font beside ＭＳ 明朝, its bold and italic.
  void boldAndItalicAreKept() {
    const QString mincho = convert(QStringLiteral("游明朝"), {{QStringLiteral("本文の段落")},
                                                              {QStringLiteral("見出し"), true}});
    QCOMPARE(fontsOf(mincho),
             QStringList({"NotoSerifCJKjp-Bold-VKana", "NotoSerifCJKjp-Regular-VKana"}));
    QVERIFY(!emboldened(mincho));
    const QString century =
        convert(QStringLiteral("Century"), {{QStringLiteral("Body")},
                                            {QStringLiteral("Heading"), true},
                                            {QStringLiteral("Emphasis"), false, true}});
    QCOMPARE(fontsOf(century), QStringList({"C059Bold", "C059Italic", "C059Roman"}));
  }
};

QTEST_GUILESS_MAIN(TestOfficeFonts)
#include "test_OfficeFonts.moc"
