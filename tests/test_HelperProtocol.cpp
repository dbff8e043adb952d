// The office helper's request fields and the file URLs it gives LibreOffice.
#include <QTest>

#include "platform/office/helper/HelperProtocol.h"

using namespace folvane::platform;

class TestHelperProtocol : public QObject {
  Q_OBJECT

 private slots:
  // Every byte goes through; only an even run of hex digits is a field.
  void fieldsCarryEveryByte() {
    std::string all;
    for (int c = 0; c < 256; ++c) all += char(c);
    std::string back;
    QVERIFY(FromHex(ToHex(all), back));
    QCOMPARE(back, all);
    QVERIFY(FromHex("4A6b", back) && back == "Jk");
    QVERIFY(FromHex("", back) && back.empty());
    for (const char* bad : {"4", "+f", "-1", "0x", " a", "g0", "4A6"})
      QVERIFY2(!FromHex(bad, back), bad);
  }

  // A URL LibreOffice opens whatever the name holds: blanks, percent and
  // number signs, Japanese, bytes of no encoding.
  void fileUrlsEscapeByByte() {
    QCOMPARE(FileUrl("/tmp/a b/100%#1.doc"), std::string("file:///tmp/a%20b/100%25%231.doc"));
    QCOMPARE(FileUrl("/報告.doc"), std::string("file:///%E5%A0%B1%E5%91%8A.doc"));
    QCOMPARE(FileUrl("/\x82\xa0~_-.x"), std::string("file:///%82%A0~_-.x"));
  }
};

QTEST_APPLESS_MAIN(TestHelperProtocol)
#include "test_HelperProtocol.moc"
