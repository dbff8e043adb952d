#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include "platform/printing/LinuxPrinters.h"
#include "platform/profile/LinuxProfile.h"

using namespace folvane::platform;

class TestLinuxPrinters : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  LinuxProfile profile_{CodePage("UTF-8"), [this] { return dir_.filePath("win.ini"); }};
  CupsView cups_{{{"Floor 2, east", "HP, PCL 6", "ipp://h/p"}, {"Office", "Brother", "usb://b"}},
                 "Office"};
  LinuxPrinters printers_{profile_, [this] { return cups_; }};

 private slots:
  void init() {
    QFile::remove(dir_.filePath("win.ini"));
    cups_.defaultName = "Office";
  }

  void theVirtualPdfPrinterComesFirst() {
    const auto list = printers_.InstalledPrinters();
    QCOMPARE(list.size(), 3);
    QCOMPARE(list[0].DeviceName, QStringLiteral("Acrobat PDFWriter"));
    QCOMPARE(list[1].DeviceName, QStringLiteral("Floor 2, east"));
    QCOMPARE(list[2].Port, QStringLiteral("usb://b"));
  }

  void winIniNamesTheDefaultAsAWholeDeviceString() {
    QVERIFY(profile_.WriteProfileStringA("windows", "device", "Floor 2, east,HP, PCL 6,ipp://h/p"));
    QCOMPARE(printers_.CurrentPrinterDeviceName(), QStringLiteral("Floor 2, east"));
    QVERIFY(profile_.WriteProfileStringA("windows", "device",
                                         "Acrobat PDFWriter,Folvane PDF,PDFFILE:"));
    QCOMPARE(printers_.CurrentPrinterDeviceName(), QStringLiteral("Acrobat PDFWriter"));
  }

  void cupsDefaultWhenWinIniNamesNoInstalledPrinter() {
    QCOMPARE(printers_.CurrentPrinterDeviceName(), QStringLiteral("Office"));  // no key
    // Only the name before the first comma matches: that is no match.
    QVERIFY(profile_.WriteProfileStringA("windows", "device", "Floor 2,HP,x"));
    QCOMPARE(printers_.CurrentPrinterDeviceName(), QStringLiteral("Office"));
    cups_.defaultName.clear();
    QCOMPARE(printers_.CurrentPrinterDeviceName(), QString());
  }

  void noCupsServerMeansTheVirtualPrinterAloneAtOnce() {
    qputenv("CUPS_SERVER", QFile::encodeName(dir_.filePath("no-such.sock")));
    LinuxPrinters real(profile_);
    QElapsedTimer timer;
    timer.start();
    const auto list = real.InstalledPrinters();
    qInfo() << "printer list without a server took" << timer.elapsed() << "ms";
    QCOMPARE(list, QList<PrinterInfo>{LinuxPrinters::VirtualPdfPrinter()});
    QCOMPARE(real.CurrentPrinterDeviceName(), QString());
    qunsetenv("CUPS_SERVER");
  }
};

QTEST_GUILESS_MAIN(TestLinuxPrinters)
#include "test_LinuxPrinters.moc"
