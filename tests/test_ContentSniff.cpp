// Which files the office helper refuses before LibreOffice sees them, and
// how it hands over the rest, decided from their first bytes.
#include <QTest>
#include <algorithm>

#include "platform/office/helper/ContentSniff.h"

using namespace folvane::platform;

namespace {

const std::string kOle2("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0\0", 12);
const std::string kZip("PK\x03\x04\x14\0\x06\0", 8);
const std::string kJpeg("\xFF\xD8\xFF\xE0\0\x10JFIF", 10);

std::string utf16le(const std::string& ascii) {
  std::string out("\xFF\xFE", 2);
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

}  // namespace

Q_DECLARE_METATYPE(std::string)

class TestContentSniff : public QObject {
  Q_OBJECT

 private slots:
  void verdictsByNameAndContent_data() {
    QTest::addColumn<std::string>("extension");
    QTest::addColumn<std::string>("head");
    QTest::addColumn<QString>("reason");  // empty: handed over
    QTest::addColumn<int>("content");     // for a classic name handed over
    QTest::addColumn<char>("delimiter");
    const int doc = int(Content::Document), html = int(Content::Html),
              archive = int(Content::Archive), delimited = int(Content::Delimited);
    QTest::newRow("empty doc") << std::string("doc") << std::string() << "empty" << 0 << '\0';
    QTest::newRow("ole2 doc") << std::string("doc") << kOle2 << "" << doc << '\0';
    QTest::newRow("rtf named doc")
        << std::string("doc") << std::string("{\\rtf1\\ansi x}") << "" << doc << '\0';
    QTest::newRow("rtf named xls is text")
        << std::string("xls") << std::string("{\\rtf1\\ansi x}") << "text" << 0 << '\0';
    QTest::newRow("biff4 xls") << std::string("xls") << std::string("\x09\x04\x06\x00\x00\x00", 6)
                               << "" << doc << '\0';
    QTest::newRow("biff4 doc is unknown")
        << std::string("doc") << std::string("\x09\x04\x06\x00\x00\x00", 6) << "unknown" << 0
        << '\0';
    QTest::newRow("jpeg doc") << std::string("doc") << kJpeg << "picture" << 0 << '\0';
    QTest::newRow("pdf xls") << std::string("xls") << std::string("%PDF-1.7\n") << "picture" << 0
                             << '\0';
    QTest::newRow("binary doc") << std::string("doc") << std::string("\x01\x02\0\x03", 4)
                                << "unknown" << 0 << '\0';
    QTest::newRow("prose doc") << std::string("doc") << std::string("Dear all,\nthanks.\n")
                               << "text" << 0 << '\0';
    QTest::newRow("html doc") << std::string("doc")
                              << std::string("\n  <HTML><body>hi</body></html>") << "" << html
                              << '\0';
    QTest::newRow("spreadsheetml xls")
        << std::string("xls")
        << std::string("<?xml version=\"1.0\"?>\n<?mso-application progid=\"Excel.Sheet\"?>") << ""
        << doc << '\0';
    QTest::newRow("mht doc") << std::string("doc")
                             << std::string(
                                    "MIME-Version: 1.0\r\nContent-Type: multipart/related; "
                                    "boundary=\"x\"\r\n\r\n")
                             << "" << archive << '\0';
    QTest::newRow("sylk xls") << std::string("xls") << std::string("ID;PWXL;N;E\r\n") << "" << doc
                              << '\0';
    QTest::newRow("tabs xls") << std::string("xls") << std::string("a\tb\n1\t2\n") << ""
                              << delimited << '\t';
    QTest::newRow("commas xls") << std::string("xls") << std::string("a,\"b,c\"\r\n1,2\r\n") << ""
                                << delimited << ',';
    QTest::newRow("ragged commas xls")
        << std::string("xls") << std::string("a,b\n1\n") << "text" << 0 << '\0';
    QTest::newRow("commas doc is text")
        << std::string("doc") << std::string("a,b\n1,2\n") << "text" << 0 << '\0';
    QTest::newRow("utf16 tabs xls")
        << std::string("xls") << utf16le("a\tb\r\n1\t2\r\n") << "" << delimited << '\t';
    QTest::newRow("cp932 commas xls")
        << std::string("xls") << std::string("\x8e\x81\x96\xbc,\x94\x4e\x97\xee\n\x8d\xb2,1\n")
        << "" << delimited << ',';
    QTest::newRow("package docx") << std::string("docx") << kZip << "" << doc << '\0';
    QTest::newRow("encrypted xlsx") << std::string("xlsx") << kOle2 << "" << doc << '\0';
    QTest::newRow("empty docx") << std::string("docx") << std::string() << "empty" << 0 << '\0';
    QTest::newRow("text docx") << std::string("docx") << std::string("hello") << "text" << 0
                               << '\0';
    QTest::newRow("jpeg xlsm") << std::string("xlsm") << kJpeg << "picture" << 0 << '\0';
    QTest::newRow("rtf") << std::string("rtf") << std::string("{\\rtf1 x}") << "" << doc << '\0';
    QTest::newRow("package named rtf") << std::string("rtf") << kZip << "unknown" << 0 << '\0';
    QTest::newRow("other name") << std::string("pdf") << std::string() << "" << doc << '\0';
  }

  void verdictsByNameAndContent() {
    QFETCH(std::string, extension);
    QFETCH(std::string, head);
    QFETCH(QString, reason);
    QFETCH(int, content);
    QFETCH(char, delimiter);
    const Sniffed sniffed = Sniff(extension, head);
    QCOMPARE(QString::fromStdString(sniffed.refusal ? sniffed.refusal->reason : ""), reason);
    if (sniffed.refusal) {
      // Said in Japanese: the user reads it in the conversion's message.
      const QString message = QString::fromStdString(sniffed.refusal->message);
      QVERIFY2(
          std::any_of(message.begin(), message.end(), [](QChar c) { return c.unicode() > 0x3000; }),
          qPrintable(message));
      return;
    }
    if (NameKindOf(extension) != SourceName::Classic) return;
    QCOMPARE(int(sniffed.content), content);
    QCOMPARE(sniffed.delimiter, delimiter);
  }

  void extensionsAreTheLastDotsOfTheName() {
    QCOMPARE(ExtensionOf("/data/報告.DOC"), std::string("doc"));
    QCOMPARE(ExtensionOf("/data/archive.tar.Xls"), std::string("xls"));
    QCOMPARE(ExtensionOf("/data.d/README"), std::string());
    QCOMPARE(ExtensionOf("noext"), std::string());
    QCOMPARE(NameKindOf("doc"), SourceName::Classic);
    QCOMPARE(NameKindOf("docm"), SourceName::Modern);
    QCOMPARE(NameKindOf("xlsb"), SourceName::Other);
  }
};

QTEST_APPLESS_MAIN(TestContentSniff)
#include "test_ContentSniff.moc"
