// The batch conversion on the real engine: LibreOffice in its helper process,
// the real files, profile, registry and virtual PDF printer.
#include <signal.h>

#include <thread>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "convert/modConvPDF.h"
#include "fakes/FakePlatform.h"
#include "platform/FileRegistry.h"
#include "platform/LinuxFiles.h"
#include "platform/LinuxProfile.h"
#include "platform/LinuxSpooler.h"
#include "platform/office/LokOffice.h"
#include "platform/office/OfficeEngine.h"

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
  return "<html><head><meta charset=\"utf-8\"></head><body><p>" + body + "</p></body></html>";
}

QString fods(const QString& cell) {
  return QStringLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
             "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
             "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body>"
             "<office:spreadsheet><table:table table:name=\"S\"><table:table-row>"
             "<table:table-cell office:value-type=\"string\"><text:p>%1</text:p>"
             "</table:table-cell></table:table-row></table:table></office:spreadsheet>"
             "</office:body></office:document>")
      .arg(cell);
}

}  // namespace

class TestBatchConversionIntegration : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  std::unique_ptr<platform::OfficeEngine> engine_;
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
    engine_->Convert(source, path, sheet ? "xls" : "doc");
  }

 private slots:
  void initTestCase() {
    QVERIFY(QDir().mkpath(at("make")) && QDir().mkpath(at("src")) && QDir().mkpath(at("dest")));
    platform::OfficeEngine::Options options;
    options.helperPath = QStringLiteral(OFFICE_HELPER);
    options.profileDir = at("profile");
    engine_ = std::make_unique<platform::OfficeEngine>(options);
    profile_ = std::make_unique<platform::LinuxProfile>(platform::CodePage("UTF-8"),
                                                        [this] { return at("win.ini"); });
    registry_ = std::make_unique<platform::FileRegistry>(at("registry.json"));
    files_ = std::make_unique<platform::LinuxFiles>(platform::CodePage("UTF-8"));
    fake_.printers.current = platform::kVirtualPdfPrinter;
    spooler_ = std::make_unique<platform::LinuxSpooler>(*profile_, *registry_, fake_.printers);
    office_ = std::make_unique<platform::LokOffice>(*engine_, *spooler_, at("spool"));
    // What the start-up writes: the printer's collecting file.
    QVERIFY(profile_->WriteProfileStringA("Acrobat PDFWriter", "PDFFileName", at("xyzzyx.pdf")));
    settings_.SourceDir = at("src");
    settings_.DestDir = at("dest");
    settings_.LogFile = at("conv.log");
    settings_.SourceDel = true;
  }

  void documentsAndWorkbooksBecomePdfsWithTheirText() {
    makeDocument(at("src/letter.doc"), "Quarterly letter");
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
  }

  void anEngineKilledMidRunLosesNothing() {
    for (int i = 1; i <= 4; ++i)
      makeDocument(at(QStringLiteral("src/part%1.doc").arg(i)),
                   QStringLiteral("Part number %1").arg(i));
    writeText(at("src/broken.doc"), "this is no Word document at all");
    // Once between two files, once (most likely) in the middle of one.
    int events = 0;
    std::thread killer;
    fake_.ui.onDoEvents = [&] {
      const pid_t pid = pid_t(engine_->processId());
      if (++events == 2) ::kill(pid, SIGKILL);
      if (events == 4)
        killer = std::thread([pid] {
          std::this_thread::sleep_for(std::chrono::milliseconds(40));
          ::kill(pid, SIGKILL);
        });
    };
    platform::Platform p = platform();
    const auto failures = modConvPDF(p, settings_, imagePage_).ConvertDirectory();
    fake_.ui.onDoEvents = nullptr;
    killer.join();
    for (int i = 1; i <= 4; ++i)
      QVERIFY(pdfText(at(QStringLiteral("dest/part%1.pdf").arg(i)))
                  .contains(QStringLiteral("Part number %1").arg(i)));
    // Whatever LibreOffice made of the text file, it is not lost either way.
    QVERIFY(QFile::exists(at("dest/broken.pdf")) != QFile::exists(at("src/broken.doc")));
    QVERIFY2(failures.isEmpty(), qPrintable(FailureReport(failures)));
    QVERIFY(engine_->starts() >= 3);
  }
};

QTEST_GUILESS_MAIN(TestBatchConversionIntegration)
#include "test_BatchConversionIntegration.moc"
