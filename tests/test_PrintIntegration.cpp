// Batch printing through the private CUPS scheduler of tests/cups.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "acrobat/clsPDFMarge.h"
#include "fakes/FakePlatform.h"
#include "fakes/PdfMaker.h"
#include "platform/Failure.h"
#include "platform/files/LinuxFiles.h"
#include "platform/pdf/QpdfAcrobat.h"
#include "platform/printing/LinuxPrinters.h"
#include "platform/printing/LinuxSpooler.h"
#include "platform/profile/FileRegistry.h"
#include "platform/profile/LinuxProfile.h"

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

  QString failureOf(platform::Printers& printers, const QString& folder) {
    try {
      printFolder(printers, folder);
    } catch (const platform::Failure& e) {
      return e.message();
    }
    return {};
  }

  void withoutACupsServerTheErrorSaysSo() {
    const QString folder = dir_.filePath("nocups");
    QDir().mkpath(folder);
    fakes::MakePdf(folder + "/a.pdf", "A", 1);
    // Run with CUPS_SERVER naming a socket nobody listens on.
    fake_.printers.current = "Office";  // win.ini still names a queue
    QString why = failureOf(fake_.printers, folder);
    QVERIFY2(why.contains("Office") && why.contains("印刷できません"), qPrintable(why));
    QVERIFY2(why.contains("「a.pdf」") && why.contains("印刷サービス（CUPS）に接続できません"),
             qPrintable(why));

    // The real printer list: without CUPS the queue win.ini names is not
    // listed, and the cause is the missing service, not a missing setting.
    platform::LinuxPrinters printers(profile_);
    QVERIFY(profile_.WriteProfileStringA("windows", "device",
                                         "Floor2,east,Local Raw Printer,capture:/floor2"));
    why = failureOf(printers, folder);
    QVERIFY2(why.contains("「a.pdf」") && why.contains("「Floor2,east」") &&
                 why.contains("印刷サービス（CUPS）に接続できない"),
             qPrintable(why));
    QVERIFY2(!why.contains("設定されていない"), qPrintable(why));
    QVERIFY(profile_.WriteProfileStringA("windows", "device", ""));
    why = failureOf(printers, folder);
    QVERIFY2(why.contains("「a.pdf」") && why.contains("印刷サービス（CUPS）に接続できません"),
             qPrintable(why));
  }

  void aRefusedJobOrAMissingPrinterIsTold() {
    const QString server = qEnvironmentVariable("CUPS_SERVER");
    if (server.isEmpty() || !QFileInfo::exists(server))
      QFAIL("the private CUPS scheduler is not running");
    // A queue of its own that rejects jobs, removed again at the end.
    QCOMPARE(QProcess::execute("lpadmin",
                               {"-p", "Refusing", "-E", "-v", "capture:/refusing", "-m", "raw"}),
             0);
    QCOMPARE(QProcess::execute("cupsreject", {"Refusing"}), 0);
    const QString folder = dir_.filePath("refused");
    QDir().mkpath(folder);
    fakes::MakePdf(folder + "/x.pdf", "X", 1);

    fake_.printers.current = "Refusing";
    const QString refused = failureOf(fake_.printers, folder);
    fake_.printers.current = "Gone";
    const QString gone = failureOf(fake_.printers, folder);
    // With no CUPS default either, the printer win.ini names is missing, and
    // without that name no printer is set at all.
    QProcess::execute("lpadmin", {"-d", "Refusing"});
    QProcess::execute("lpadmin", {"-x", "Refusing"});
    platform::LinuxPrinters printers(profile_);
    QVERIFY(profile_.WriteProfileStringA("windows", "device", "Gone,Some Driver,ipp://nowhere/"));
    const QString unlisted = failureOf(printers, folder);
    QVERIFY(profile_.WriteProfileStringA("windows", "device", ""));
    const QString unset = failureOf(printers, folder);
    QProcess::execute("lpadmin", {"-d", "Office"});

    QVERIFY2(refused.contains("「x.pdf」") && refused.contains("「Refusing」") &&
                 refused.contains("受け付けていません"),
             qPrintable(refused));
    QVERIFY2(
        gone.contains("「x.pdf」") && gone.contains("「Gone」") && gone.contains("見つかりません"),
        qPrintable(gone));
    QVERIFY2(
        unlisted.contains("「x.pdf」") && unlisted.contains("プリンター「Gone」が見つかりません"),
        qPrintable(unlisted));
  }
};

QTEST_GUILESS_MAIN(TestPrintIntegration)
#include "test_PrintIntegration.moc"
