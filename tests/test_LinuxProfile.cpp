#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <array>

#include "platform/profile/LinuxProfile.h"

using folvane::platform::CodePage;
using folvane::platform::LinuxProfile;

namespace {

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

ino_t inodeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

class TestLinuxProfile : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString winIni_;
  LinuxProfile profile_{CodePage("UTF-8"), [this] { return winIni_; }};

  QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

  // Reads through a buffer of `size` bytes; returns the text and the count.
  std::pair<QByteArray, uint32_t> get(LinuxProfile& p, const QString& section, const QString& key,
                                      const QString& file, size_t size = 256,
                                      const QString& def = QString()) {
    std::vector<char> buffer(size + 1, '#');  // one guard byte past the buffer
    const uint32_t n =
        p.GetPrivateProfileStringA(section, key, def, std::span(buffer.data(), size), file);
    if (buffer[size] != '#') qFatal("wrote past the buffer");
    if (size > 0 && buffer[n] != '\0') qFatal("no NUL after the value");
    return {QByteArray(buffer.data(), n), n};
  }
  QString value(const QString& section, const QString& key, const QString& file) {
    return QString::fromUtf8(get(profile_, section, key, file).first);
  }

 private slots:
  void init() { winIni_ = path("windows/win.ini"); }

  void readingFollowsWindowsMatchingRules() {
    const QString ini = path("rules.ini");
    writeAll(ini,
             "; a comment=not a key\r\n"
             "[Source_Info]\r\n"
             "  sourcedir =  C:\\Data  \r\n"
             "SourceDir=second\r\n"
             "Quoted=\"  kept blanks  \"\r\n"
             "Single='x'\r\n"
             "Lonely=\"\r\n"
             "Ideographic=\xe3\x80\x80値\xe3\x80\x80\r\n"
             ";Commented=1\r\n"
             "[ dest_info ]\n"  // LF only
             "DestDir=D:\\out\n"
             "[SOURCE_INFO]\r\n"
             "SourceDel=1\r\n");
    QCOMPARE(value("SOURCE_INFO", "SOURCEDIR", ini), QStringLiteral("C:\\Data"));
    QCOMPARE(value("Source_Info", "Quoted", ini), QStringLiteral("  kept blanks  "));
    QCOMPARE(value("Source_Info", "Single", ini), QStringLiteral("x"));
    QCOMPARE(value("Source_Info", "Lonely", ini), QStringLiteral("\""));
    QCOMPARE(value("Source_Info", "Ideographic", ini), QStringLiteral("\u3000値\u3000"));
    QCOMPARE(value("Dest_Info", "DestDir", ini), QStringLiteral("D:\\out"));
    // Only the first section of a name is searched; comments are no keys.
    QCOMPARE(get(profile_, "Source_Info", "SourceDel", ini).second, 0u);
    QCOMPARE(get(profile_, "Source_Info", "Commented", ini).second, 0u);
    QCOMPARE(get(profile_, "", "; a comment", ini).second, 0u);
  }

  void missingFileOrKeyGivesTheDefaultAndCreatesNothing() {
    const QString ini = path("absent.ini");
    auto [text, n] = get(profile_, "S", "K", ini, 256, QStringLiteral("dflt  "));
    QCOMPARE(text, QByteArray("dflt"));  // trailing blanks of the default dropped
    QCOMPARE(n, 4u);
    QVERIFY(!QFile::exists(ini));
    QCOMPARE(get(profile_, "S", "K", dir_.path()).second, 0u);  // a folder is no file
  }

  void bufferCutCountsBytesAndKeepsCharactersWhole() {
    const QString ini = path("cut.ini");
    writeAll(ini, "[S]\r\nascii=abcdefgh\r\njp=日本語\r\n");
    auto [text, n] = get(profile_, "S", "ascii", ini, 5);
    QCOMPARE(text, QByteArray("abcd"));
    QCOMPARE(n, 4u);
    std::tie(text, n) = get(profile_, "S", "jp", ini, 9);  // 8 usable bytes of 9
    QCOMPARE(QString::fromUtf8(text), QStringLiteral("日本"));
    QCOMPARE(n, 6u);
    std::tie(text, n) = get(profile_, "S", "jp", ini, 10);
    QCOMPARE(QString::fromUtf8(text), QStringLiteral("日本語"));
    QCOMPARE(n, 9u);
    QCOMPARE(get(profile_, "S", "ascii", ini, 1).second, 0u);
    QCOMPARE(get(profile_, "S", "ascii", ini, 0).second, 0u);
  }

  void cp932SystemCutsOnDoubleByteBoundaries() {
    const QString ini = path("sjis.ini");
    writeAll(ini, "[S]\r\nK=" + *CodePage("CP932").encode(QStringLiteral("日本語")) + "\r\n");
    LinuxProfile sjis(CodePage("CP932"), [] { return QString(); });
    auto [text, n] = get(sjis, "S", "K", ini, 6);
    QCOMPARE(n, 4u);
    QCOMPARE(CodePage("CP932").decode(text), QStringLiteral("日本"));
  }

  void writeKeepsEveryOtherLineCommentAndOrder() {
    const QString ini = path("keep.ini");
    writeAll(ini,
             "; settings\r\n"
             "[Source_Info]\r\n"
             "SourceDir=C:\\old\r\n"
             "; why this is here\r\n"
             "Other = spaced\r\n"
             "\r\n"
             "[Log_Info]\n"
             "LogFile=log.txt");  // no line end at the very end
    QVERIFY(profile_.WritePrivateProfileStringA("source_info", "SOURCEDIR", "D:\\new", ini));
    QVERIFY(profile_.WritePrivateProfileStringA("Source_Info", "SourceDel", "1", ini));
    QVERIFY(profile_.WritePrivateProfileStringA("Log_Info", "LogFileEnable", "0", ini));
    QVERIFY(profile_.WritePrivateProfileStringA("PDF_Info", "chkFlip_flg", "1", ini));
    QCOMPARE(readAll(ini), QByteArray("; settings\r\n"
                                      "[Source_Info]\r\n"
                                      "SourceDir=D:\\new\r\n"
                                      "; why this is here\r\n"
                                      "Other = spaced\r\n"
                                      "SourceDel=1\r\n"
                                      "\r\n"
                                      "[Log_Info]\r\n"
                                      "LogFile=log.txt\r\n"
                                      "LogFileEnable=0\r\n"
                                      "[PDF_Info]\r\n"
                                      "chkFlip_flg=1\r\n"));
  }

  void writeCreatesFileAndSectionsInOrder() {
    const QString ini = path("new.ini");
    QVERIFY(profile_.WritePrivateProfileStringA("Source_Info", "SourceDir", "C:\\src", ini));
    QVERIFY(profile_.WritePrivateProfileStringA("Dest_Info", "DestDir", "", ini));
    QVERIFY(profile_.WritePrivateProfileStringA("Source_Info", "SourceDel", "0", ini));
    QCOMPARE(readAll(ini), QByteArray("[Source_Info]\r\nSourceDir=C:\\src\r\nSourceDel=0\r\n"
                                      "[Dest_Info]\r\nDestDir=\r\n"));
    // A key that is there with an empty value is empty, not the default.
    QCOMPARE(get(profile_, "Dest_Info", "DestDir", ini, 16, "dflt").second, 0u);

    // No key lists the section's key names; no key on writing removes the section.
    std::array<char, 64> names{};
    const uint32_t n =
        profile_.GetPrivateProfileStringA("SOURCE_INFO", std::nullopt, "dflt", names, ini);
    QCOMPARE(QByteArray(names.data(), qsizetype(n) + 1),
             QByteArray("SourceDir\0SourceDel\0\0", 21));
    // A missing section gives the default; an empty one gives nothing.
    QCOMPARE(profile_.GetPrivateProfileStringA("None", std::nullopt, "dflt", names, ini), 4u);
    QCOMPARE(QByteArray(names.data()), QByteArray("dflt"));
    QVERIFY(profile_.WritePrivateProfileStringA("source_info", std::nullopt, std::nullopt, ini));
    QVERIFY(profile_.WritePrivateProfileStringA("None", std::nullopt, std::nullopt, ini));
    QCOMPARE(readAll(ini), QByteArray("[Dest_Info]\r\nDestDir=\r\n"));
  }

  void japaneseValuesRoundTrip() {
    const QString ini = path("jp.ini");
    const QString dir = QStringLiteral("/home/利用者/表示ソフト～①");
    QVERIFY(profile_.WritePrivateProfileStringA("Source_Info", "SourceDir", dir, ini));
    QCOMPARE(value("Source_Info", "SourceDir", ini), dir);
  }

  void aWindowsFileStaysInItsCodePage() {
    // A settings file written on a Japanese Windows machine, in CP932.
    const CodePage cp932("CP932");
    const QByteArray original =
        "[Source_Info]\r\nSourceDir=" + *cp932.encode(QStringLiteral("C:\\変換元")) +
        "\r\n[Dest_Info]\r\nDestDir=" + *cp932.encode(QStringLiteral("D:\\変換先")) + "\r\n";
    const QString ini = path("windows.ini");
    writeAll(ini, original);
    QCOMPARE(value("Source_Info", "SourceDir", ini), QStringLiteral("C:\\変換元"));

    QVERIFY(profile_.WritePrivateProfileStringA("Dest_Info", "DestDup", "表", ini));
    QCOMPARE(readAll(ini), original + "DestDup=" + *cp932.encode(QStringLiteral("表")) + "\r\n");

    // A character CP932 lacks moves the whole file to the system code page.
    QVERIFY(profile_.WritePrivateProfileStringA("Dest_Info", "DestDup", "𠮷", ini));
    QVERIFY(CodePage("UTF-8").decodeStrict(readAll(ini)).has_value());
    QCOMPARE(value("Source_Info", "SourceDir", ini), QStringLiteral("C:\\変換元"));
    QCOMPARE(value("Dest_Info", "DestDup", ini), QStringLiteral("𠮷"));
  }

  void writeReplacesTheFileAtomically() {
    const QString ini = path("atomic.ini");
    writeAll(ini, "[S]\r\nK=old\r\n");
    QFile reader(ini);
    QVERIFY(reader.open(QIODevice::ReadOnly));  // a reader that started before the write
    const ino_t before = inodeOf(ini);

    QVERIFY(profile_.WritePrivateProfileStringA("S", "K", "new", ini));
    QVERIFY(inodeOf(ini) != before);  // a new file took the name: no rewrite in place
    QCOMPARE(reader.readAll(), QByteArray("[S]\r\nK=old\r\n"));
    QCOMPARE(value("S", "K", ini), QStringLiteral("new"));
    QCOMPARE(QDir(dir_.path()).entryList({"atomic*"}, QDir::Files | QDir::Hidden),
             QStringList{"atomic.ini"});  // no temporary left behind
  }

  void failedWritesReturnFalseAndChangeNothing() {
    QVERIFY(!profile_.WritePrivateProfileStringA("S", "K", "v", path("no/such/dir/x.ini")));
    QVERIFY(!QFile::exists(path("no")));
    QVERIFY(!profile_.WritePrivateProfileStringA("S", "K", "v", dir_.path()));
    QVERIFY(!profile_.WritePrivateProfileStringA("S", "K", "v", QString()));

    const QString ini = path("guarded.ini");
    const QByteArray original = "[S]\r\nK=1\r\n";
    writeAll(ini, original);
    // Texts that would break the file's structure are refused, not written.
    QVERIFY(!profile_.WritePrivateProfileStringA("S", "K", "a\r\n[Evil]\r\nx=y", ini));
    QVERIFY(!profile_.WritePrivateProfileStringA("S", "K=2", "v", ini));
    QVERIFY(!profile_.WritePrivateProfileStringA("S]x", "K", "v", ini));
    QVERIFY(!profile_.WritePrivateProfileStringA("S", "", "v", ini));
    QCOMPARE(readAll(ini), original);
  }

  void systemProfileIsWinIniInTheWindowsFolder() {
    QVERIFY(QDir().mkpath(path("windows")));
    QVERIFY(profile_.WriteProfileStringA("windows", "device", "PDF, printer,pdf,/dev/null"));
    QVERIFY(readAll(winIni_).contains("device=PDF, printer,pdf,/dev/null\r\n"));
    std::array<char, 64> buffer{};
    const uint32_t n = profile_.GetProfileStringA("Windows", "Device", "", buffer);
    QCOMPARE(QByteArray(buffer.data(), n), QByteArray("PDF, printer,pdf,/dev/null"));
  }
};

QTEST_GUILESS_MAIN(TestLinuxProfile)
#include "test_LinuxProfile.moc"
