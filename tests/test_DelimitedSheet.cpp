// Separated-values exports as the flat sheet LibreOffice gets in their
// place, and the text encodings such exports come in.
#include <QTest>
#include <QXmlStreamReader>

#include "platform/office/helper/DelimitedSheet.h"
#include "platform/office/helper/TextEncoding.h"

using namespace folvane::platform;

namespace {

// The sheet's cells, a row a line: "f:<value>" for a number, "s:<text>"
// for text, separated by " | ".
QStringList cellsOf(const std::string& sheet) {
  QXmlStreamReader xml(QByteArray::fromStdString(sheet));
  QStringList rows;
  QStringList row;
  QString cell;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == u"table-row") row.clear();
    if (xml.isStartElement() && xml.name() == u"table-cell") {
      const auto a = xml.attributes();
      cell = a.value("office:value-type") == u"float" ? "f:" + a.value("office:value").toString()
                                                      : QStringLiteral("s:");
    }
    if (xml.isStartElement() && xml.name() == u"p") {
      const QString text = xml.readElementText();
      if (cell == u"s:")
        cell += text;
      else if (!cell.endsWith(text))
        cell += "≠" + text;  // a number shows its own digits
    }
    if (xml.isEndElement() && xml.name() == u"table-cell") row << cell;
    if (xml.isEndElement() && xml.name() == u"table-row") rows << row.join(" | ");
  }
  if (xml.hasError()) return {"XML error: " + xml.errorString()};
  return rows;
}

}  // namespace

class TestDelimitedSheet : public QObject {
  Q_OBJECT

 private slots:
  // Fields land in their cells as Excel splits them: quotes hold commas and
  // doubled quotes, only a comma-separated file knows quotes, and line ends
  // of either kind end a row.
  void fieldsLandInTheirCells() {
    QCOMPARE(cellsOf(FlatSheetOf("名前,\"東京, 丸の内\",\"He said \"\"hi\"\"\"\r\n,x,\r\n", ',')),
             (QStringList{"s:名前 | s:東京, 丸の内 | s:He said \"hi\"", "s: | s:x | s:"}));
    QCOMPARE(cellsOf(FlatSheetOf("\"a\tb\"\t<&>\n", '\t')), (QStringList{"s:\"a | s:b\" | s:<&>"}));
  }

  // Numbers are numbers by their own digits, never rounded; what strtod
  // would also take (hex, inf, nan) and cut exponents stay text.
  void numbersKeepTheirDigits() {
    QCOMPARE(
        cellsOf(FlatSheetOf("-12,3.5,.5,1e6,+7,12345678901234567890,0.1000\n", ',')),
        (QStringList{"f:-12 | f:3.5 | f:.5 | f:1e6 | f:+7 | f:12345678901234567890 | f:0.1000"}));
    QCOMPARE(cellsOf(FlatSheetOf("0x10,inf,nan,1e,.,-,1.2.3, 5\n", ',')),
             (QStringList{"s:0x10 | s:inf | s:nan | s:1e | s:. | s:- | s:1.2.3 | s: 5"}));
  }

  void delimitersAreFoundFromTheLines() {
    QCOMPARE(DelimiterOf("a\tb\n\nc\td\n"), '\t');
    QCOMPARE(DelimiterOf("a,b\n\"x,y\",z\n"), ',');
    QCOMPARE(DelimiterOf("a,b\nc\n"), '\0');         // unequal rows are prose
    QCOMPARE(DelimiterOf("only,one line\n"), '\0');  // a single line says nothing
    QCOMPARE(DelimiterOf(""), '\0');
  }

  // Exports come in UTF-8, CP932 or UTF-16 with a byte order mark.
  void exportsBecomeUtf8() {
    QCOMPARE(AsUtf8("\x8e\x81\x96\xbc,\x94\x4e\x97\xee"), std::string("氏名,年齢"));
    QCOMPARE(AsUtf8("plain, 日本語"), std::string("plain, 日本語"));
    QCOMPARE(AsUtf8("a\x80z"), std::string("a?z"));  // a byte neither code page knows
    QVERIFY(ValidUtf8("日本語") && !ValidUtf8("\x8e\x81"));
    const std::string le(
        "\xFF\xFE"
        "a\0\t\0\xE5\x65",
        8);  // "a\t日"
    QVERIFY(IsUtf16(le));
    QCOMPARE(FromUtf16(le), std::string("a\t日"));
    QCOMPARE(FromUtf16(le + "x"), FromUtf16(le));  // a character cut off stays out
    QCOMPARE(FromUtf16(std::string("\xFE\xFF\0b", 4)), std::string("b"));
    QVERIFY(!IsUtf16("ab"));
  }
};

QTEST_APPLESS_MAIN(TestDelimitedSheet)
#include "test_DelimitedSheet.moc"
