// Runs against the private CUPS scheduler that tests/cups/private-cupsd.sh starts.
#include <QTemporaryDir>
#include <QTest>

#include "platform/LinuxPrinters.h"
#include "platform/LinuxProfile.h"

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
    QVERIFY2(list[1].Port.startsWith("file:") && list[1].Port.endsWith("/out/floor2.prn"),
             qPrintable(list[1].Port));
  }

  void defaultIsWinIniElseTheCupsDefault() {
    LinuxPrinters printers(profile_);
    QCOMPARE(printers.CurrentPrinterDeviceName(), QStringLiteral("Office"));
    const auto floor2 = printers.InstalledPrinters().at(1);
    QVERIFY(profile_.WriteProfileStringA(
        "windows", "device", floor2.DeviceName + ',' + floor2.DriverName + ',' + floor2.Port));
    QCOMPARE(printers.CurrentPrinterDeviceName(), QStringLiteral("Floor2,east"));
  }
};

QTEST_GUILESS_MAIN(TestCupsPrinters)
#include "test_CupsPrinters.moc"
