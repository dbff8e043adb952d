// The engine's profile: its settings seeded once, the old replacement table
// gone, and a fontconfig file that fontconfig itself reads as meant.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/office/helper/EngineProfile.h"

namespace fp = folvane::platform;

namespace {

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// fontconfig's answer for `pattern` under the configuration `conf`.
QString match(const QString& conf, const QString& pattern) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("FONTCONFIG_FILE"), conf);
  p.setProcessEnvironment(env);
  p.start(QStringLiteral("fc-match"),
          {"-f", "%{family[0]}/%{style[0]}/%{embolden:-False}", pattern});
  p.waitForFinished(20000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

class TestEngineProfile : public QObject {
  Q_OBJECT

 private slots:
  void settingsAreSeededOnceAndTheReplacementTableGoes() {
    QTemporaryDir dir;
    const QString user = dir.filePath("user");
    QDir().mkpath(user);
    const QString registry = user + "/registrymodifications.xcu";
    {
      QFile f(registry);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items>\n"
          "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"UseLocking\" "
          "oor:op=\"fuse\"><value>false</value></prop></item>\n"
          "<item oor:path=\"/org.openoffice.Office.Common/Font/Substitution\"><prop "
          "oor:name=\"Replacement\" oor:op=\"fuse\"><value>true</value></prop></item>\n"
          "<item oor:path=\"/org.openoffice.Office.Common/Font/Substitution/FontPairs\"><node "
          "oor:name=\"Folvane0\" oor:op=\"replace\"></node></item>\n"
          "<item oor:path=\"/org.openoffice.Office.Writer/Layout\"><prop oor:name=\"Zoom\" "
          "oor:op=\"fuse\"><value>120</value></prop></item>\n"
          "</oor:items>\n");
    }
    const std::string profile = dir.path().toStdString();
    const QString conf = QString::fromStdString(fp::SeedEngineProfile(profile, "/nowhere"));
    const QByteArray once = readAll(registry);
    QVERIFY(!once.contains("Font/Substitution"));
    QVERIFY(once.contains("<value>120</value>"));  // LibreOffice's own entries stay
    QCOMPARE(once.count("UseLocking"), 1);
    QVERIFY(once.contains("DisableMacrosExecution"));
    QVERIFY(once.trimmed().endsWith("</oor:items>"));
    fp::SeedEngineProfile(profile, "/nowhere");
    QCOMPARE(readAll(registry), once);
    QVERIFY(readAll(conf).contains("<include ignore_missing=\"yes\">/etc/fonts/fonts.conf"));

    // An inherited configuration is read first; never the file itself.
    qputenv("FONTCONFIG_FILE", "/home/someone/fonts & more.conf");
    fp::SeedEngineProfile(profile, "/nowhere");
    QVERIFY(readAll(conf).contains(">/home/someone/fonts &amp; more.conf</include>"));
    qputenv("FONTCONFIG_FILE", conf.toUtf8());
    fp::SeedEngineProfile(profile, "/nowhere");
    QVERIFY(readAll(conf).contains(">/etc/fonts/fonts.conf</include>"));
    qunsetenv("FONTCONFIG_FILE");
  }

  // fontconfig reads every rule: names in other spellings, blanks and case
  // aside, come to their face; heavy names to its bold, or emboldened where
  // it has none.
  void fontconfigDrawsEachSpellingByItsFace() {
    QTemporaryDir dir;
    const QString conf =
        QString::fromStdString(fp::SeedEngineProfile(dir.path().toStdString(), ""));
    const struct {
      const char* pattern;
      const char* answer;
    } cases[] = {
        {"游明朝", "Noto Serif CJK JP/Regular/False"},
        {"yumincho:bold", "Noto Serif CJK JP/Bold/False"},
        {"游明朝 Demibold", "Noto Serif CJK JP/Bold/False"},
        {"ＭＳ Ｐゴシック", "IPAPGothic/Regular/False"},
        {"HG明朝B", "IPAMincho/Regular/True"},
        {"ＨＧ 明朝 Ｂ", "IPAMincho/Regular/True"},
        {"HGゴシックE", "BIZ UDGothic/Bold/False"},
        {"HGP創英角ポップ体", "BIZ UDPGothic/Bold/False"},
        {"hg創英角ｺﾞｼｯｸub", "BIZ UDGothic/Bold/False"},
        {"Century", "C059/Roman/False"},
        {"Book Antiqua:italic", "P052/Italic/False"},
    };
    for (const auto& c : cases)
      QCOMPARE(match(conf, QString::fromUtf8(c.pattern)), QString::fromUtf8(c.answer));
    // Names it does not know are left to fontconfig as it was, though its
    // fallback lists hold names the rules know (MS Gothic, Meiryo).
    for (const char* other : {"Verdana", "MyriadPro-Regular", "Noto Sans CJK JP", "sans-serif"})
      QCOMPARE(match(conf, other), match(QStringLiteral("/etc/fonts/fonts.conf"), other));
  }
};

QTEST_GUILESS_MAIN(TestEngineProfile)
#include "test_EngineProfile.moc"
