// The batch conversion on the real engine: LibreOffice in its helper process,
// the real files, profile, registry and virtual PDF printer.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "convert/modConvPDF.h"
#include "fakes/FakePlatform.h"
#include "fakes/VariedFiles.h"
#include "platform/files/LinuxFiles.h"
#include "platform/office/EnginePool.h"
#include "platform/office/LokOffice.h"
#include "platform/printing/LinuxSpooler.h"
#include "platform/profile/FileRegistry.h"
#include "platform/profile/LinuxProfile.h"

using namespace folvane;

namespace {

void writeText(const QString& path, const QString& text) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(text.toUtf8());
}

QString pdfText(const QString& path) {
  QProcess p;
  p.start("pdftotext", {path, "-"});
  p.waitForFinished(20000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

QString html(const QString& body) {
  return fakes::HtmlPage("<p>" + body + "</p>");
}

QString fods(const QString& cell) {
  return fakes::FlatSheet(
      QStringLiteral("<table:table-row><table:table-cell office:value-type=\"string\"><text:p>%1"
                     "</text:p></table:table-cell></table:table-row>")
          .arg(cell));
}

}  // namespace

class TestBatchConversionIntegration : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  // Two engines, as on a two-core desktop: documents are rendered ahead.
  std::unique_ptr<platform::EnginePool> engines_;
  std::unique_ptr<platform::LinuxProfile> profile_;
  std::unique_ptr<platform::FileRegistry> registry_;
  std::unique_ptr<platform::LinuxFiles> files_;
  std::unique_ptr<platform::LinuxSpooler> spooler_;
  std::unique_ptr<platform::LokOffice> office_;
  fakes::FakePlatform fake_;
  SettingsRecord settings_;
  frmImage imagePage_;

  QString at(const QString& name) const { return dir_.filePath(name); }
  platform::Platform platform() {
    return platform::Platform{
        *profile_,        fake_.process, fake_.ui,         *registry_, fake_.printers,
        fake_.system,     *files_,       fake_.clock,      *office_,   *spooler_,
        fake_.automation, fake_.drives,  at("xyzzyx.pdf"), at("tmp/"), at("printer-switch.ini"),
        fake_.progress};
  }
  // A .doc or .xls made by LibreOffice itself from text.
  void makeDocument(const QString& path, const QString& text) {
    const bool sheet = path.endsWith(".xls", Qt::CaseInsensitive);
    const QString source =
        at("make/" + QFileInfo(path).completeBaseName() + (sheet ? ".fods" : ".html"));
    writeText(source, sheet ? fods(text) : html(text));
    engines_->Convert(source, path, sheet ? "xls" : "doc");
  }

  // plain.doc and encrypted.doc (password "secret", RC4) in `dir`, saved by
  // LibreOffice itself through a Basic macro: LibreOfficeKit cannot save
  // with a password.
  void makeProtectedDocuments(const QString& dir) {
    const QString soffice = QStringLiteral("/usr/lib/libreoffice/program/soffice");
    QDir().mkpath(dir);
    const QString profile = dir + "/profile", tmp = dir + "/tmp";
    QDir().mkpath(tmp);
    auto run = [&](const QStringList& args) {
      QProcess p;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert("TMPDIR", tmp);  // its temporary folder stays ours
      p.setProcessEnvironment(env);
      p.start(soffice, QStringList{"--headless", "--norestore", "--invisible",
                                   "-env:UserInstallation=file://" + profile} +
                           args);
      return p.waitForFinished(120000) && p.exitCode() == 0;
    };
    // The first start lays out the profile and would overwrite the macro.
    QVERIFY(run({"--terminate_after_init"}));
    QFile module(profile + "/user/basic/Standard/Module1.xba");
    QVERIFY(module.open(QIODevice::WriteOnly | QIODevice::Truncate));
    module.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE script:module PUBLIC "-//OpenOffice.org//DTD OfficeDocument 1.0//EN" "module.dtd">
<script:module xmlns:script="http://openoffice.org/2000/script" script:name="Module1" script:language="StarBasic">
Sub Make(dir As String)
  Dim hidden(0) As New com.sun.star.beans.PropertyValue
  hidden(0).Name = &quot;Hidden&quot; : hidden(0).Value = True
  Dim plain(0) As New com.sun.star.beans.PropertyValue
  plain(0).Name = &quot;FilterName&quot; : plain(0).Value = &quot;MS Word 97&quot;
  Dim locked(1) As New com.sun.star.beans.PropertyValue
  locked(0).Name = &quot;FilterName&quot; : locked(0).Value = &quot;MS Word 97&quot;
  locked(1).Name = &quot;Password&quot; : locked(1).Value = &quot;secret&quot;
  doc = StarDesktop.loadComponentFromURL(&quot;private:factory/swriter&quot;, &quot;_blank&quot;, 0, hidden())
  doc.Text.setString(&quot;Folvane&quot;)
  doc.storeToURL(ConvertToURL(dir &amp; &quot;/plain.doc&quot;), plain())
  doc.close(True)
  Rem Given a password, a new document is silently not stored at all; one loaded from a file is.
  doc = StarDesktop.loadComponentFromURL(ConvertToURL(dir &amp; &quot;/plain.doc&quot;), &quot;_blank&quot;, 0, hidden())
  doc.storeToURL(ConvertToURL(dir &amp; &quot;/encrypted.doc&quot;), locked())
  doc.close(True)
End Sub
</script:module>
)");
    module.close();
    QVERIFY(run({QStringLiteral("macro:///Standard.Module1.Make(\"%1\")").arg(dir)}));
    QVERIFY(QFile::exists(dir + "/encrypted.doc"));  // soffice says 0 when the macro fails
  }
  // A run over the folder `name`, into `name`-dest, logged in `name`.log,
  // with the settings of the suite otherwise.
  QList<ConversionFailure> convertFolder(const QString& name) {
    SettingsRecord settings = settings_;
    settings.SourceDir = at(name);
    settings.DestDir = at(name + "-dest");
    settings.LogFile = at(name + ".log");
    platform::Platform p = platform();
    return modConvPDF(p, settings, imagePage_).ConvertDirectory();
  }

 private slots:
  void initTestCase() {
    QVERIFY(QDir().mkpath(at("make")) && QDir().mkpath(at("src")) && QDir().mkpath(at("dest")));
    files_ = std::make_unique<platform::LinuxFiles>(platform::CodePage("UTF-8"));
    platform::OfficeEngine::Options options;
    options.helperPath = QStringLiteral(OFFICE_HELPER);
    options.profileDir = at("profile");
    options.tempDir = at("office-tmp");
    // As the platform wires it: CP932 names go by the bytes the listing read.
    options.nativePath = [this](const QString& path) { return files_->NativePath(path); };
    engines_ = std::make_unique<platform::EnginePool>(options, 2);
    profile_ = std::make_unique<platform::LinuxProfile>(platform::CodePage("UTF-8"),
                                                        [this] { return at("win.ini"); });
    registry_ = std::make_unique<platform::FileRegistry>(at("registry.json"));
    fake_.printers.current = platform::kVirtualPdfPrinter;
    spooler_ = std::make_unique<platform::LinuxSpooler>(*profile_, *registry_, fake_.printers);
    office_ = std::make_unique<platform::LokOffice>(*engines_, *spooler_, at("spool"));
    // What the start-up writes: the printer's collecting file.
    QVERIFY(profile_->WriteProfileStringA("Acrobat PDFWriter", "PDFFileName", at("xyzzyx.pdf")));
    settings_.SourceDir = at("src");
    settings_.DestDir = at("dest");
    settings_.LogFile = at("conv.log");
    settings_.SourceDel = true;
  }

  // A Japanese desktop whose locale is not installed here, or is not UTF-8:
  // documents with Japanese names still open.
  void japaneseNamesOpenWhateverTheLocale() {
    const QByteArray was = qgetenv("LC_ALL");
    qputenv("LC_ALL", "ja_JP.eucJP");
    platform::OfficeEngine::Options options;
    options.helperPath = QStringLiteral(OFFICE_HELPER);
    options.profileDir = at("profile-ja");
    platform::OfficeEngine engine(options);
    writeText(at("make/御見積書.html"), html("御見積書の本文"));
    try {
      engine.Convert(at("make/御見積書.html"), at("make/御見積書.pdf"), "pdf");
    } catch (...) {
      qputenv("LC_ALL", was);
      throw;
    }
    qputenv("LC_ALL", was);
    QVERIFY(pdfText(at("make/御見積書.pdf")).contains(QStringLiteral("御見積書の本文")));
  }

  void documentsAndWorkbooksBecomePdfsWithTheirText() {
    // The copy of a user's document that an engine killed mid-way left in
    // its profile goes when the next engine starts there.
    QVERIFY(QDir().mkpath(at("profile/work/in")));
    writeText(at("profile/work/in/left by a killed engine.doc"), "private");
    makeDocument(at("src/letter.doc"), "Quarterly letter");
    QVERIFY(QDir(at("profile/work/in")).isEmpty());
    makeDocument(at("src/報告書.doc"), "売上報告書");
    makeDocument(at("src/Figures.XLS"), "集計表 total");
    writeText(at("src/notes.txt"), "left alone");
    platform::Platform p = platform();
    // The engine leaves no lock files beside the documents: a killed engine
    // would leave them in the user's folder. Looked for while it works.
    QStringList locks;
    int looks = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      ++looks;
      for (const QString& name : QDir(at("src")).entryList(QDir::Files | QDir::Hidden))
        if (name.startsWith(".~lock")) locks << name;
    });
    watch.start(2);
    const auto failures = modConvPDF(p, settings_, imagePage_).ConvertDirectory();
    watch.stop();
    QVERIFY2(failures.isEmpty(), qPrintable(FailureReport(failures)));
    locks.removeDuplicates();
    QVERIFY2(locks.isEmpty(), qPrintable(locks.join(u' ')));
    QVERIFY(looks > 10);

    QVERIFY(pdfText(at("dest/letter.pdf")).contains("Quarterly letter"));
    QVERIFY(pdfText(at("dest/報告書.pdf")).contains("売上報告書"));
    QVERIFY(pdfText(at("dest/Figures.pdf")).contains("集計表 total"));
    QCOMPARE(QDir(at("src")).entryList(QDir::Files), QStringList{"notes.txt"});
    QVERIFY(!QFile::exists(at("xyzzyx.pdf")));
    QFile log(at("conv.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QCOMPARE(text.count("\r\n"), 9);
    QVERIFY(text.contains("          --------> 変換後：" + at("dest") + "/報告書.pdf\r\n"));
    // LibreOffice's temporary folders are in the folder given, which goes
    // with the process's spool, not in the system's.
    QVERIFY(!QDir(at("office-tmp")).entryList({"lu*.tmp"}, QDir::Dirs).isEmpty());
  }

  void anEngineKilledMidRunLosesNothing() {
    for (int i = 1; i <= 4; ++i)
      makeDocument(at(QStringLiteral("src/part%1.doc").arg(i)),
                   QStringLiteral("Part number %1").arg(i));
    writeText(at("src/broken.doc"), "this is no Word document at all");
    makeDocument(at("src/part5.xls"), "Part number 5");
    // Once between two files, once (most likely) in the middle of one.
    int events = 0;
    std::thread killer;
    fake_.ui.onDoEvents = [&] {
      std::vector<pid_t> pids;
      for (int e = 0; e < engines_->size(); ++e)
        if (engines_->engine(e).processId() > 0)  // kill(0) would hit this test
          pids.push_back(pid_t(engines_->engine(e).processId()));
      if (++events == 2)
        for (pid_t pid : pids) ::kill(pid, SIGKILL);
      if (events == 4)
        killer = std::thread([pids] {
          std::this_thread::sleep_for(std::chrono::milliseconds(40));
          for (pid_t pid : pids) ::kill(pid, SIGKILL);
        });
    };
    platform::Platform p = platform();
    const auto failures = modConvPDF(p, settings_, imagePage_).ConvertDirectory();
    fake_.ui.onDoEvents = nullptr;
    killer.join();
    for (int i = 1; i <= 4; ++i)
      QVERIFY(pdfText(at(QStringLiteral("dest/part%1.pdf").arg(i)))
                  .contains(QStringLiteral("Part number %1").arg(i)));
    QVERIFY(pdfText(at("dest/part5.pdf")).contains("Part number 5"));
    // Text is no Word document: told, kept, and no PDF.
    QVERIFY(!QFile::exists(at("dest/broken.pdf")));
    QVERIFY(QFile::exists(at("src/broken.doc")));
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures[0].name, QStringLiteral("broken.doc"));
    QVERIFY2(failures[0].reason.contains("Word 文書ではありません"),
             qPrintable(failures[0].reason));
    QVERIFY(engines_->engine(0).starts() + engines_->engine(1).starts() >= 4);
  }

  // Every kind of file a folder really holds, against what soffice makes of
  // the same files in the same run.
  void variedFilesConvertAsLibreOfficeDoesOrAreToldWhy() {
    const QString source = at("varied");
    const auto files = fakes::MakeVariedFiles(
        source, at("make"), [this](const QString& from, const QString& to, const QString& format) {
          engines_->Convert(from, to, format);
        });
    QVERIFY2(files.size() >= 23, qPrintable(QString::number(files.size())));
    QStringList paths;
    for (const auto& f : files) paths << source + "/" + f.name;
    const QStringList bySoffice =
        fakes::SofficeConvertsAll(paths, at("varied-soffice"), at("soffice-profile"));

    QDir().mkpath(at("varied-dest"));
    SettingsRecord settings = settings_;
    settings.SourceDir = source;
    settings.DestDir = at("varied-dest");
    platform::Platform p = platform();
    const auto failures = modConvPDF(p, settings, imagePage_).ConvertDirectory();
    QMap<QString, QString> reasons;
    for (const auto& f : failures) reasons[f.name] = f.reason;

    int both = 0, onlySoffice = 0, onlyFolvane = 0, neither = 0;
    QStringList report;
    for (const auto& f : files) {
      const QString base = QFileInfo(f.name).completeBaseName();
      const bool byFolvane = fakes::PdfPages(at("varied-dest/" + base + ".pdf")) > 0;
      const bool soffice = bySoffice.contains(base);
      (byFolvane ? (soffice ? both : onlyFolvane) : (soffice ? onlySoffice : neither))++;
      report << QStringLiteral("%1: Folvane %2, soffice %3")
                    .arg(f.name, byFolvane ? "PDF" : reasons.value(f.name), soffice ? "PDF" : "-");
      if (f.expected.isEmpty()) {
        QVERIFY2(byFolvane, qPrintable(f.name + ": " + reasons.value(f.name)));
        QVERIFY2(!QFile::exists(source + "/" + f.name), qPrintable(f.name));  // SourceDel
      } else {
        QVERIFY2(!byFolvane, qPrintable(f.name));
        QVERIFY2(reasons.value(f.name).contains(f.expected),
                 qPrintable(f.name + ": " + reasons.value(f.name)));
        QVERIFY2(QFile::exists(source + "/" + f.name), qPrintable(f.name));  // never deleted
      }
      // What soffice turns into pages, Folvane converts too, unless the
      // content is no Word or Excel content at all (text, a picture, an
      // empty file, a damaged file LibreOffice shows as raw bytes).
      if (soffice && !byFolvane)
        QVERIFY2(QRegularExpression("テキスト|画像|空のファイル|壊れて")
                     .match(reasons.value(f.name))
                     .hasMatch(),
                 qPrintable(f.name));
    }
    QCOMPARE(failures.size(), qsizetype(neither + onlySoffice));
    // What the page shows is the file's own content, not its bytes.
    QVERIFY(pdfText(at("varied-dest/web.pdf")).contains("Single file web 日本 page"));
    // Numbers keep every digit; what only looks like one stays text.
    const QString comma = pdfText(at("varied-dest/comma.pdf"));
    QVERIFY2(comma.contains("1234567") && comma.contains("0x1A") && comma.contains("-0.125"),
             qPrintable(comma));
    QVERIFY(pdfText(at("varied-dest/comma.pdf")).contains("Tokyo, Japan"));
    QVERIFY(pdfText(at("varied-dest/tabs.pdf")).contains("東京"));
    QVERIFY(pdfText(at("varied-dest/unicode.pdf")).contains("京都"));
    QVERIFY(pdfText(at("varied-dest/table.pdf")).contains("web table cell"));
    qInfo().noquote() << report.join('\n');
    qInfo().noquote() << QStringLiteral(
                             "coverage: %1 files; both %2, only soffice %3, only Folvane %4, "
                             "neither %5")
                             .arg(files.size())
                             .arg(both)
                             .arg(onlySoffice)
                             .arg(onlyFolvane)
                             .arg(neither);
  }

  // Rendering ahead on two engines changes nothing a user or a file sees:
  // the same names (clashes numbered in listing order), log lines, failures
  // and pages as one engine taking the files one by one.
  void twoEnginesGiveWhatOneEngineGives() {
    // What engines killed in the test before left in the spool (their
    // half-written files) is not this test's: the program removes it at quit.
    QDir(at("spool")).removeRecursively();
    const QString source = at("same");
    QVERIFY(QDir().mkpath(source));
    for (const char* name : {"report.doc", "report.xls", "reporX.doc", "b.xls", "c.doc", "d.doc"})
      makeDocument(source + "/" + name, QStringLiteral("Contents of %1 ").arg(name).repeated(400));
    writeText(source + "/broken.doc", "no Word document");
    SettingsRecord settings = settings_;
    settings.SourceDir = source;
    settings.SourceDel = false;
    struct Outcome {
      QStringList names;
      QString log;
      QStringList failures;
      QMap<QString, QString> text;
    };
    const auto run = [&](const QString& tag, platform::EnginePool& engines) {
      platform::LokOffice office(engines, *spooler_, at("spool"));
      platform::Platform p{
          *profile_,        fake_.process, fake_.ui,         *registry_, fake_.printers,
          fake_.system,     *files_,       fake_.clock,      office,     *spooler_,
          fake_.automation, fake_.drives,  at("xyzzyx.pdf"), at("tmp/"), at("printer-switch.ini"),
          fake_.progress};
      settings.DestDir = at("same-" + tag);
      settings.LogFile = at("same-" + tag + ".log");
      QDir().mkpath(settings.DestDir);
      writeText(settings.DestDir + "/report.pdf", "there before");
      Outcome o;
      for (const auto& f : modConvPDF(p, settings, imagePage_).ConvertDirectory())
        o.failures << f.name + ": " + f.reason;
      o.names = QDir(settings.DestDir).entryList(QDir::Files, QDir::Name);
      for (const QString& name : o.names)
        o.text[name] = pdfText(settings.DestDir + "/" + name) + " pages " +
                       QString::number(fakes::PdfPages(settings.DestDir + "/" + name));
      QFile log(settings.LogFile);
      if (log.open(QIODevice::ReadOnly))
        o.log = QString::fromUtf8(log.readAll())
                    .replace(settings.DestDir, "DEST")
                    .replace(QRegularExpression("処理実行日：.*  です。"), "TIME");
      return o;
    };
    engines_->Stop();  // the one engine takes over their profile meanwhile
    platform::OfficeEngine::Options options;
    options.helperPath = QStringLiteral(OFFICE_HELPER);
    options.profileDir = at("profile");
    Outcome one;
    {
      platform::EnginePool single(options, 1);
      one = run("one", single);
    }
    const Outcome two = run("two", *engines_);
    QCOMPARE(engines_->engine(1).starts() > 0, true);  // both engines worked
    QCOMPARE(two.names, one.names);
    QCOMPARE(one.names, (QStringList{"b.pdf", "c.pdf", "d.pdf", "repor1.pdf", "repor2.pdf",
                                     "reporX.pdf", "report.pdf"}));
    QCOMPARE(two.log, one.log);
    QCOMPARE(one.log.count("\r\n"), 7 * 3);
    QCOMPARE(two.failures, one.failures);
    QCOMPARE(one.failures.size(), 1);
    QCOMPARE(two.text, one.text);
    QVERIFY(one.text["repor1.pdf"].contains("Contents of report.doc"));
    QVERIFY(one.text["repor2.pdf"].contains("Contents of report.xls"));
    // Nothing left ahead (a rendering dropped while being made goes when it
    // ends).
    QTRY_VERIFY2(QDir(at("spool")).entryList(QDir::Files | QDir::Hidden).isEmpty(),
                 qPrintable(QDir(at("spool")).entryList(QDir::Files | QDir::Hidden).join(u' ')));
  }

  // A document rendered ahead, saved by its user (so rendered again), then
  // saved once more while that second rendering runs: the source goes only
  // with a PDF of its newest content, or stays with that content.
  void aFileSavedDuringItsSecondRenderingIsNeverLost() {
    const QString source = at("saved");
    QVERIFY(QDir().mkpath(source) && QDir().mkpath(at("saved-dest")));
    makeDocument(source + "/a.doc", "First letter");
    makeDocument(source + "/b.doc", "Second letter");
    makeDocument(source + "/target.doc", "Version one");
    makeDocument(at("make/v2.doc"), "Version two");
    makeDocument(at("make/v3.doc"), "Version three");
    const auto bytes = [](const QString& path) {
      QFile f(path);
      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const auto save = [&](const QString& from) {
      QFile f(source + "/target.doc");  // in place, as an editor saves
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(bytes(from));
    };
    // The copy an engine reads while it renders the target.
    const auto rendering = [&](const QByteArray& what) {
      for (const QString& profile : engines_->profileDirs())
        if (bytes(profile + "/work/in/target.doc") == what) return true;
      return false;
    };
    bool secondSaved = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (!secondSaved && rendering(bytes(at("make/v2.doc")))) {
        save(at("make/v3.doc"));
        secondSaved = true;
      }
    });
    fake_.ui.onDoEvents = [&, saved = false]() mutable {
      // After the first file the target has been rendered ahead.
      if (std::exchange(saved, true)) return;
      QTRY_VERIFY(rendering(bytes(source + "/target.doc")) ||
                  QDir(at("spool")).entryList({"ahead-*.pdf"}, QDir::Files).size() >= 2);
      save(at("make/v2.doc"));
      watch.start(1);
    };
    const auto failures = convertFolder("saved");
    fake_.ui.onDoEvents = nullptr;
    watch.stop();
    QVERIFY(secondSaved);
    const QString pdf = pdfText(at("saved-dest/target.pdf"));
    if (QFile::exists(source + "/target.doc")) {
      QCOMPARE(bytes(source + "/target.doc"), bytes(at("make/v3.doc")));
      QCOMPARE(failures.size(), 1);
      QVERIFY(failures[0].kept);
    } else {
      QVERIFY2(pdf.contains("Version three"), qPrintable(pdf));
      QVERIFY2(failures.isEmpty(), qPrintable(FailureReport(failures)));
    }
    QVERIFY(!QFile::exists(source + "/a.doc") && !QFile::exists(source + "/b.doc"));
  }

  // A workbook still being copied into the folder when the run reaches it
  // is waited for: converted whole, or kept and told; never cut short.
  void aFileStillArrivingIsConvertedWholeOrKept() {
    const QString source = at("arriving");
    QVERIFY(QDir().mkpath(source) && QDir().mkpath(at("arriving-dest")));
    QString rows;
    for (int i = 1; i <= 1500; ++i)
      rows += QStringLiteral(
                  "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>"
                  "Row %1 of the arriving workbook</text:p></table:table-cell></table:table-row>")
                  .arg(i);
    writeText(at("make/big.fods"), fakes::FlatSheet(rows));
    engines_->Convert(at("make/big.fods"), at("make/big.xls"), "xls");
    QFile whole(at("make/big.xls"));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray all = whole.readAll();
    QVERIFY(all.size() > 64 * 1024);
    makeDocument(source + "/b.doc", "Already there");
    // Written as a slow copy writes: one descriptor, 16 KB every 100 ms.
    QFile copy(source + "/a.xls");
    QVERIFY(copy.open(QIODevice::WriteOnly));
    copy.write(all.left(16 * 1024));
    copy.flush();
    std::thread copier([&] {
      for (qsizetype done = 16 * 1024; done < all.size(); done += 16 * 1024) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        copy.write(all.mid(done, 16 * 1024));
        copy.flush();
      }
      copy.close();
    });
    const auto failures = convertFolder("arriving");
    copier.join();
    if (QFile::exists(source + "/a.xls")) {
      QFile kept(source + "/a.xls");
      QVERIFY(kept.open(QIODevice::ReadOnly));
      QCOMPARE(kept.readAll(), all);
      QCOMPARE(failures.size(), 1);
      QCOMPARE(failures[0].name, QStringLiteral("a.xls"));
      QVERIFY2(failures[0].reason.contains("書き込み中"), qPrintable(failures[0].reason));
    } else {
      const QString pdf = pdfText(at("arriving-dest/a.pdf"));
      QVERIFY2(pdf.contains("Row 1500 of the arriving workbook"), qPrintable(pdf.right(200)));
      QVERIFY2(failures.isEmpty(), qPrintable(FailureReport(failures)));
    }
  }

  // Word 97-2003 documents saved with a password (RC4) are told as such
  // before LibreOffice sees them: it would crash on them, and each crash
  // would cost an engine.
  void protectedWordDocumentsAreToldWithoutACrash() {
    const QString source = at("locked");
    QVERIFY(QDir().mkpath(source) && QDir().mkpath(at("locked-dest")));
    makeProtectedDocuments(at("locked-make"));
    for (const char* name : {"a-locked.doc", "c-locked.doc"})
      QVERIFY(QFile::copy(at("locked-make/encrypted.doc"), source + "/" + name));
    makeDocument(source + "/b-open.doc", "Open letter");
    // Each warm engine: its process and how often it was started.
    const auto warm = [&] {
      QList<QPair<qint64, int>> engines;
      for (int e = 0; e < engines_->size(); ++e)
        if (engines_->engine(e).processId() > 0)
          engines.append({engines_->engine(e).processId(), engines_->engine(e).starts()});
      return engines;
    };
    const auto before = warm();
    QVERIFY(!before.isEmpty());
    const auto failures = convertFolder("locked");
    for (const auto& engine : before) QVERIFY(warm().contains(engine));
    QCOMPARE(failures.size(), 2);
    for (const auto& f : failures) {
      QVERIFY(f.name.endsWith("-locked.doc"));
      QCOMPARE(f.reason, QStringLiteral("パスワードで保護されています。"));
      QVERIFY(QFile::exists(source + "/" + f.name));
    }
    QVERIFY(pdfText(at("locked-dest/b-open.pdf")).contains("Open letter"));
  }

  // Names as copies from Windows bring them: CP932 bytes are converted and
  // logged like any other; a name valid in no code page is told and kept.
  void cp932NamesAreConvertedAndUnreadableOnesTold() {
    const QString source = at("names");
    QVERIFY(QDir().mkpath(source) && QDir().mkpath(at("names-dest")));
    makeDocument(source + "/made.doc", "Shift JIS named letter");
    const QByteArray folder = QFile::encodeName(source) + '/';
    QCOMPARE(
        ::rename((folder + "made.doc").constData(), (folder + "\x95\x5c\x8e\x86.doc").constData()),
        0);  // 表紙.doc
    writeText(source + "/tmp.doc", "x");
    QCOMPARE(::rename((folder + "tmp.doc").constData(), (folder + "\xff\xfe.doc").constData()), 0);
    const auto failures = convertFolder("names");
    QVERIFY(pdfText(at("names-dest/表紙.pdf")).contains("Shift JIS named letter"));
    QVERIFY(::access((folder + "\x95\x5c\x8e\x86.doc").constData(), F_OK) != 0);  // SourceDel
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures[0].name, QStringLiteral("\\xFF\\xFE.doc"));
    QVERIFY(::access((folder + "\xff\xfe.doc").constData(), F_OK) == 0);
    QFile log(at("names.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(log.readAll()).contains("変換前：" + source + "/表紙.doc  ------> "));
    ::unlink((folder + "\xff\xfe.doc").constData());  // Qt cannot name it to clean up
  }
};

QTEST_GUILESS_MAIN(TestBatchConversionIntegration)
#include "test_BatchConversionIntegration.moc"
