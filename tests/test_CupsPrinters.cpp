// Runs against the private CUPS scheduler that tests/cups/private-cupsd.sh starts.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "platform/printing/LinuxPrinters.h"
#include "platform/printing/LinuxSpooler.h"
#include "platform/profile/FileRegistry.h"
#include "platform/profile/LinuxProfile.h"

using namespace folvane::platform;

class TestCupsPrinters : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  LinuxProfile profile_{CodePage("UTF-8"), [this] { return dir_.filePath("win.ini"); }};

 private slots:
  void initTestCase() {
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER") ||
        !QFile::exists(qEnvironmentVariable("CUPS_SERVER")))
      QFAIL("the private CUPS scheduler is not running");
  }

  void queuesComeAfterTheVirtualPrinterWithDriverAndPort() {
    LinuxPrinters printers(profile_);
    const auto list = printers.InstalledPrinters();
    QStringList names;
    for (const auto& p : list) names << p.DeviceName;
    QCOMPARE(names, (QStringList{"Acrobat PDFWriter", "Floor2,east", "Office"}));
    QCOMPARE(list[1].DriverName, QStringLiteral("Local Raw Printer"));
    QCOMPARE(list[1].Port, QStringLiteral("capture:/floor2"));
  }

  void defaultIsWinIniElseTheCupsDefault() {
    LinuxPrinters printers(profile_);
    QCOMPARE(printers.CurrentPrinterDeviceName(), QStringLiteral("Office"));
    const auto floor2 = printers.InstalledPrinters().at(1);
    QVERIFY(profile_.WriteProfileStringA(
        "windows", "device", floor2.DeviceName + ',' + floor2.DriverName + ',' + floor2.Port));
    QCOMPARE(printers.CurrentPrinterDeviceName(), QStringLiteral("Floor2,east"));
  }

  void aPdfPrintedToAQueueBecomesAJob() {
    LinuxPrinters printers(profile_);
    const auto office = printers.InstalledPrinters().at(2);
    QVERIFY(profile_.WriteProfileStringA(
        "windows", "device", office.DeviceName + ',' + office.DriverName + ',' + office.Port));
    FileRegistry registry(dir_.filePath("registry.json"));
    LinuxSpooler spooler(profile_, registry, printers);
    const QString pdf = dir_.filePath("job.pdf");
    QFile f(pdf);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4 job for the office queue\n%%EOF\n");
    f.close();
    spooler.PrintPdf(pdf, "job.pdf");
    // The raw queue hands the bytes to its backend as they are.
    const QDir out(QFileInfo(qEnvironmentVariable("CUPS_SERVER")).absolutePath() + "/out");
    QByteArray bytes;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
          for (const QString& name : out.entryList({"Office-*.prn"}, QDir::Files)) {
            QFile f(out.filePath(name));
            if (f.open(QIODevice::ReadOnly) && f.readAll().contains("job for the office queue"))
              return true;
          }
          return false;
        }(),
        15000);
  }
};

QTEST_GUILESS_MAIN(TestCupsPrinters)
#include "test_CupsPrinters.moc"
