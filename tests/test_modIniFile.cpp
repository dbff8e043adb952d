#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "fakes/FakePlatform.h"
#include "platform/profile/LinuxProfile.h"
#include "settings/modIniFile.h"

using folvane::modIniFile;
using folvane::fakes::FakePlatform;

namespace {

const QString kIni = QStringLiteral("/opt/folvane/Folvane.INI");

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

class TestModIniFile : public QObject {
  Q_OBJECT

 private slots:
  void noFileLeavesEverythingEmptyAndOff() {
    FakePlatform fake;
    modIniFile store(fake.platform);
    store.ReadIniFile();
    const auto& s = store.Settings;
    for (const QString* text :
         {&s.SourceDir, &s.DestDir, &s.LogFile, &s.MergeDir, &s.MergeFileNm, &s.PrintDir,
          &s.PDFWriterName, &s.UserName, &s.PassWd, &s.MailAdd, &s.FullNm, &s.ServerNm})
      QVERIFY(text->isEmpty());
    QVERIFY(!s.SourceDel && !s.DestDup && !s.chkFlip_flg && !s.LogFileEnable);
    QVERIFY(!fake.profile.hasFile(kIni));
  }

  // The sixteen keys of the settings file, then today's-formats flag.
  void readsTheKeysInOrderWithOneBuffer() {
    FakePlatform fake;
    modIniFile store(fake.platform);
    store.ReadIniFile();
    QStringList order;
    for (const auto& call : fake.profile.calls) {
      QCOMPARE(call.function, QStringLiteral("Get"));
      QCOMPARE(call.path, kIni);
      QCOMPARE(call.bufferSize, qsizetype(1024));
      QVERIFY(call.value.isEmpty());  // the empty default
      order << call.section + u'/' + call.key;
    }
    QCOMPARE(order,
             (QStringList{"Source_Info/SourceDir", "Source_Info/SourceDel", "Dest_Info/DestDir",
                          "Dest_Info/DestDup", "PDF_Info/chkFlip_flg", "Log_Info/LogFile",
                          "Log_Info/LogFileEnable", "Merge_Info/MergeDir", "Merge_Info/MergeFileNm",
                          "Print_Info/PrintDir", "PDF_Info/PDFWriterName", "Mail_Info/UserName",
                          "Mail_Info/PassWd", "Mail_Info/MailAdd", "Mail_Info/FullNm",
                          "Mail_Info/ServerNm", "Source_Info/ModernFormats"}));
  }

  void everyFieldComesFromItsOwnKey() {
    FakePlatform fake;
    const QStringList texts{"SourceDir",   "DestDir",  "LogFile",       "MergeDir",
                            "MergeFileNm", "PrintDir", "PDFWriterName", "UserName",
                            "PassWd",      "MailAdd",  "FullNm",        "ServerNm"};
    const QStringList sections{"Source_Info", "Dest_Info",  "Log_Info",  "Merge_Info",
                               "Merge_Info",  "Print_Info", "PDF_Info",  "Mail_Info",
                               "Mail_Info",   "Mail_Info",  "Mail_Info", "Mail_Info"};
    for (qsizetype i = 0; i < texts.size(); ++i)
      fake.profile.set(kIni, sections[i], texts[i], QStringLiteral("v:") + texts[i]);
    modIniFile store(fake.platform);
    store.ReadIniFile();
    const auto& s = store.Settings;
    const QList<QString> got{s.SourceDir,   s.DestDir,  s.LogFile,       s.MergeDir,
                             s.MergeFileNm, s.PrintDir, s.PDFWriterName, s.UserName,
                             s.PassWd,      s.MailAdd,  s.FullNm,        s.ServerNm};
    for (qsizetype i = 0; i < texts.size(); ++i) QCOMPARE(got[i], QStringLiteral("v:") + texts[i]);
  }

  void flagsReadAsWordsOrNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("expected");
    QTest::newRow("1") << "1" << false << true;
    QTest::newRow("0") << "0" << true << false;
    QTest::newRow("-1") << "-1" << false << true;
    QTest::newRow("2") << "2" << false << true;
    QTest::newRow("True") << "True" << false << true;
    QTest::newRow("tRUE") << "tRUE" << false << true;
    QTest::newRow("FALSE") << "FALSE" << true << false;
    QTest::newRow("0.0") << "0.0" << true << false;
    QTest::newRow("0.5") << "0.5" << false << true;
    QTest::newRow("&H10") << "&H10" << false << true;
    QTest::newRow("hand-edited word keeps on") << "yes" << true << true;
    QTest::newRow("hand-edited word keeps off") << "Yes" << false << false;
    QTest::newRow("nan is no number") << "nan" << true << true;
  }
  void flagsReadAsWordsOrNumbers() {
    QFETCH(QString, text);
    QFETCH(bool, before);
    QFETCH(bool, expected);
    FakePlatform fake;
    for (const char* key :
         {"SourceDel", "DestDup", "chkFlip_flg", "LogFileEnable", "ModernFormats"}) {
      const QByteArray k(key);
      const char* section = k == "SourceDel" || k == "ModernFormats" ? "Source_Info"
                            : k == "DestDup"                         ? "Dest_Info"
                            : k == "chkFlip_flg"                     ? "PDF_Info"
                                                                     : "Log_Info";
      fake.profile.set(kIni, section, key, text);
    }
    modIniFile store(fake.platform);
    store.Settings.SourceDel = store.Settings.DestDup = before;
    store.Settings.chkFlip_flg = store.Settings.LogFileEnable = before;
    store.Settings.ModernFormats = before;
    store.ReadIniFile();
    QCOMPARE(store.Settings.ModernFormats, expected);
    QCOMPARE(store.Settings.SourceDel, expected);
    QCOMPARE(store.Settings.DestDup, expected);
    QCOMPARE(store.Settings.chkFlip_flg, expected);
    QCOMPARE(store.Settings.LogFileEnable, expected);
  }

  void mixedFlagsFile() {
    FakePlatform fake;
    fake.profile.set(kIni, "Source_Info", "SourceDel", "1");
    fake.profile.set(kIni, "Dest_Info", "DestDup", "0");
    fake.profile.set(kIni, "PDF_Info", "chkFlip_flg", "True");
    fake.profile.set(kIni, "Log_Info", "LogFileEnable", "-1");
    modIniFile store(fake.platform);
    store.ReadIniFile();
    QCOMPARE(store.Settings.SourceDel, true);
    QCOMPARE(store.Settings.DestDup, false);
    QCOMPARE(store.Settings.chkFlip_flg, true);
    QCOMPARE(store.Settings.LogFileEnable, true);
  }

  void reloadKeepsFieldsWhoseKeyIsEmptyOrGone() {
    FakePlatform fake;
    fake.profile.set(kIni, "Dest_Info", "DestDir", "D:\\out");
    fake.profile.set(kIni, "Source_Info", "SourceDir", "C:\\in");
    fake.profile.set(kIni, "Dest_Info", "DestDup", "1");
    modIniFile store(fake.platform);
    store.ReadIniFile();

    fake.profile.set(kIni, "Dest_Info", "DestDir", "");               // emptied
    fake.profile.set(kIni, "Source_Info", "SourceDir", "C:\\other");  // hand edit meanwhile
    fake.profile.set(kIni, "Dest_Info", "DestDup", "0");
    store.ReadIniFile();
    QCOMPARE(store.Settings.DestDir, QStringLiteral("D:\\out"));
    QCOMPARE(store.Settings.SourceDir, QStringLiteral("C:\\other"));
    QCOMPARE(store.Settings.DestDup, false);
  }

  void stripNullCutsAtTheFirstNul() {
    QCOMPARE(folvane::StripNull(QString::fromUtf16(u"ab\0cd", 5)), QStringLiteral("ab"));
    QCOMPARE(folvane::StripNull(QStringLiteral("abc")), QStringLiteral("abc"));
    QCOMPARE(folvane::StripNull(QString::fromUtf16(u"\0x", 2)), QString());
  }

  void iniPathFollowsTheExecutableAtEachUse() {
    FakePlatform fake;
    modIniFile store(fake.platform);
    QCOMPARE(store.IniFilePath(), kIni);
    fake.process.executablePath = QStringLiteral("/srv/tools/pdf-tool");
    QCOMPARE(store.IniFilePath(), QStringLiteral("/srv/tools/pdf-tool.INI"));
    store.ReadIniFile();
    QCOMPARE(fake.profile.calls.back().path, QStringLiteral("/srv/tools/pdf-tool.INI"));
    // Installed where the user cannot write: the per-user folder, same name.
    fake.process.settingsFolder = QStringLiteral("/home/u/.config/folvane");
    QCOMPARE(store.IniFilePath(), QStringLiteral("/home/u/.config/folvane/pdf-tool.INI"));
    fake.profile.set(store.IniFilePath(), "Source_Info", "SourceDir", "/home/u/in");
    store.ReadIniFile();
    QCOMPARE(fake.profile.calls.back().path,
             QStringLiteral("/home/u/.config/folvane/pdf-tool.INI"));
    QCOMPARE(store.Settings.SourceDir, QStringLiteral("/home/u/in"));
  }

  // Real files from here on: the Linux profile under the store.
  void longValuesAreCutToTheBuffer() {
    QTemporaryDir dir;
    FakePlatform fake;
    folvane::platform::LinuxProfile profile(folvane::platform::CodePage("UTF-8"),
                                            [] { return QString(); });
    folvane::platform::Platform real = fake.with(profile);
    fake.process.executablePath = dir.filePath("Folvane");
    // 1022 ASCII bytes, then a 3-byte character that would end past byte 1023.
    writeAll(dir.filePath("Folvane.INI"), "[Source_Info]\r\nSourceDir=" + QByteArray(1022, 'x') +
                                              "表\r\n"
                                              "[Dest_Info]\r\nDestDir=" +
                                              QByteArray(2000, 'y') + "\r\n");
    modIniFile store(real);
    store.ReadIniFile();
    QCOMPARE(store.Settings.SourceDir, QString(1022, u'x'));
    QCOMPARE(store.Settings.DestDir, QString(1023, u'y'));
  }

  void windowsSettingsFileWithJapanesePaths() {
    QTemporaryDir dir;
    FakePlatform fake;
    folvane::platform::LinuxProfile profile(folvane::platform::CodePage("UTF-8"),
                                            [] { return QString(); });
    folvane::platform::Platform real = fake.with(profile);
    fake.process.executablePath = dir.filePath("Folvane");
    const folvane::platform::CodePage cp932("CP932");
    writeAll(dir.filePath("Folvane.INI"),
             "[source_info]\r\nsourcedir=" + *cp932.encode(QStringLiteral("C:\\表示\\ソフト")) +
                 "\r\n[PDF_INFO]\r\nPDFWRITERNAME=Acrobat PDFWriter\r\n");
    modIniFile store(real);
    store.ReadIniFile();
    QCOMPARE(store.Settings.SourceDir, QStringLiteral("C:\\表示\\ソフト"));
    QCOMPARE(store.Settings.PDFWriterName, QStringLiteral("Acrobat PDFWriter"));
  }

  void aRenamedExecutableReadsTheFileOfItsNewName() {
    QTemporaryDir dir;
    const QString renamed = dir.filePath("Renamed");
    QVERIFY(QFile::copy(QStringLiteral(SETTINGS_PROBE), renamed));
    writeAll(dir.filePath("Renamed.INI"),
             "[Source_Info]\r\nSourceDir=/data/in\r\n"
             "[Dest_Info]\r\nDestDup=1\r\n");
    writeAll(dir.filePath("settings_probe.INI"), "[Source_Info]\r\nSourceDir=/wrong\r\n");

    QProcess probe;
    probe.setWorkingDirectory(QDir::tempPath());
    probe.start(renamed, {});
    QVERIFY(probe.waitForFinished(20000));
    QCOMPARE(probe.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n');
    QCOMPARE(lines.value(0), dir.filePath("Renamed.INI"));
    QCOMPARE(lines.value(1), QStringLiteral("/data/in"));
    QCOMPARE(lines.value(2), QStringLiteral("on"));
  }
};

QTEST_GUILESS_MAIN(TestModIniFile)
#include "test_modIniFile.moc"
