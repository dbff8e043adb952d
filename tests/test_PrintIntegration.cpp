// Batch printing through the private CUPS scheduler of tests/cups.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "acrobat/clsPDFMarge.h"
#include "fakes/FakePlatform.h"
#include "fakes/PdfMaker.h"
#include "platform/Failure.h"
#include "platform/FileRegistry.h"
#include "platform/LinuxFiles.h"
#include "platform/LinuxPrinters.h"
#include "platform/LinuxProfile.h"
#include "platform/LinuxSpooler.h"
#include "platform/pdf/QpdfAcrobat.h"

using namespace folvane;

class TestPrintIntegration : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  fakes::FakePlatform fake_;
  platform::LinuxProfile profile_{platform::CodePage("UTF-8"),
                                  [this] { return dir_.filePath("win.ini"); }};
  platform::FileRegistry registry_{dir_.filePath("registry.json")};
  platform::LinuxFiles files_{platform::CodePage("UTF-8")};

  void printFolder(platform::Printers& printers, const QString& folder) {
    platform::LinuxSpooler spooler(profile_, registry_, printers);
    platform::QpdfAcrobat acrobat(spooler, dir_.filePath("spool"));
    platform::Platform p{profile_,      fake_.process, fake_.ui,    registry_,    printers,
                         fake_.system,  files_,        fake_.clock, fake_.office, spooler,
                         acrobat,       fake_.drives,  {},          {},           {},
                         fake_.progress};
    clsPDFMarge marge(p);
    marge.SourceDir(folder);
    marge.PDFPrint();
  }

 private slots:
  void aFolderOfThreePdfsBecomesThreeJobsWithAllPages() {
    const QString server = qEnvironmentVariable("CUPS_SERVER");
    if (server.isEmpty() || !QFileInfo::exists(server))
      QFAIL("the private CUPS scheduler is not running");
    const QDir out(QFileInfo(server).absolutePath() + "/out");
    for (const QString& old : out.entryList({"Floor2,east-*.prn"}, QDir::Files))
      QFile::remove(out.filePath(old));

    const QString folder = dir_.filePath("print");
    QDir().mkpath(folder);
    fakes::MakePdf(folder + "/1.pdf", "One", 1);
    fakes::MakePdf(folder + "/2.pdf", "Two", 2);
    fakes::MakePdf(folder + "/3.pdf", "Three", 3);
    platform::LinuxPrinters printers(profile_);
    const auto floor2 = printers.InstalledPrinters().at(1);
    QVERIFY(profile_.WriteProfileStringA(
        "windows", "device", floor2.DeviceName + ',' + floor2.DriverName + ',' + floor2.Port));
    printFolder(printers, folder);

    QStringList jobs;
    QTRY_COMPARE_WITH_TIMEOUT(out.entryList({"Floor2,east-*.prn"}, QDir::Files).size(), 3, 20000);
    for (const QString& name : out.entryList({"Floor2,east-*.prn"}, QDir::Files, QDir::Name))
      jobs << fakes::PageLabels(out.filePath(name)).join(',');
    jobs.sort();
    QCOMPARE(jobs, (QStringList{"One p1", "Three p1,Three p2,Three p3", "Two p1,Two p2"}));
  }

  void withoutACupsServerTheErrorSaysSo() {
    const QString folder = dir_.filePath("nocups");
    QDir().mkpath(folder);
    fakes::MakePdf(folder + "/a.pdf", "A", 1);
    // Run with CUPS_SERVER naming a socket nobody listens on.
    fake_.printers.current = "Office";  // win.ini still names a queue
    QString why;
    try {
      printFolder(fake_.printers, folder);
    } catch (const platform::Failure& e) {
      why = e.message();
    }
    QVERIFY2(why.contains("Office") && why.contains("印刷できません"), qPrintable(why));
  }
};

QTEST_GUILESS_MAIN(TestPrintIntegration)
#include "test_PrintIntegration.moc"
