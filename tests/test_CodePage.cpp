#include <QTest>

#include "platform/encoding/CodePage.h"

using folvane::platform::CodePage;

class TestCodePage : public QObject {
  Q_OBJECT
 private slots:
  void cp932RoundTripsJapanesePaths() {
    // Second bytes of 0x5C (表, ソ) and the characters Shift_JIS tables get wrong.
    const QString text = QStringLiteral("C:/表示/ソフト～①＼データ.doc");
    const CodePage cp("CP932");
    const auto bytes = cp.encode(text);
    QVERIFY(bytes.has_value());
    QCOMPARE(bytes->size(), 30);  // 8 ASCII + 11 double-byte characters
    QCOMPARE(cp.decodeStrict(*bytes), std::optional<QString>(text));
  }

  void charactersOutsideTheCodePageAreRefused() {
    QVERIFY(!CodePage("CP932").encode(QStringLiteral("𠮷野家")).has_value());
    QVERIFY(CodePage("UTF-8").encode(QStringLiteral("𠮷野家")).has_value());
    const QChar lone[] = {QChar(0xD800)};
    QVERIFY(!CodePage("UTF-8").encode(QStringView(lone, 1)).has_value());
  }

  void decodeFallsBackToCp932ForWindowsFiles() {
    const QByteArray sjis = *CodePage("CP932").encode(QStringLiteral("変換元"));
    QVERIFY(!CodePage("UTF-8").decodeStrict(sjis).has_value());
    QCOMPARE(CodePage("UTF-8").decode(sjis), QStringLiteral("変換元"));
    // Valid UTF-8 stays UTF-8 even where it would also be valid CP932.
    QCOMPARE(CodePage("UTF-8").decode(QStringLiteral("ｱ").toUtf8()), QStringLiteral("ｱ"));
  }

  void undecodableBytesStillGiveText() {
    const QByteArray junk(
        "a\xff\xfe"
        "b",
        4);
    const QString text = CodePage("UTF-8").decode(junk);
    QVERIFY(text.startsWith(u'a'));
    QVERIFY(text.endsWith(u'b'));
    QVERIFY(!CodePage("EUC-JP").decode(junk).isEmpty());
  }

  void encodeFittingNeverSplitsACharacter_data() {
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ascii cut") << QByteArray("UTF-8") << "abcdef" << 4 << "abcd";
    QTest::newRow("utf8 3-byte boundary") << QByteArray("UTF-8") << "日本語" << 8 << "日本";
    QTest::newRow("utf8 exact") << QByteArray("UTF-8") << "日本語" << 9 << "日本語";
    QTest::newRow("utf8 4-byte char") << QByteArray("UTF-8") << "a𠮷" << 4 << "a";
    QTest::newRow("cp932 2-byte boundary") << QByteArray("CP932") << "日本語" << 5 << "日本";
    QTest::newRow("cp932 unencodable becomes ?") << QByteArray("CP932") << "a𠮷b" << 9 << "a?b";
    QTest::newRow("zero") << QByteArray("UTF-8") << "abc" << 0 << "";
  }
  void encodeFittingNeverSplitsACharacter() {
    QFETCH(QByteArray, charset);
    QFETCH(QString, text);
    QFETCH(int, limit);
    QFETCH(QString, expected);
    const CodePage cp(charset);
    const QByteArray out = cp.encodeFitting(text, limit);
    QVERIFY(out.size() <= limit);
    QCOMPARE(cp.decode(out), expected);
  }

  void systemCodePageOfAPlainLocaleIsUtf8() {
    // The tests run under C.UTF-8; a POSIX locale must not give ASCII either.
    QVERIFY(CodePage::System().isUtf8());
  }
};

QTEST_GUILESS_MAIN(TestCodePage)
#include "test_CodePage.moc"
