#include <QTest>

#include "convert/PrinterSwitch.h"
#include "fakes/FakePlatform.h"

using folvane::PrinterSwitch;
using folvane::fakes::FakePlatform;

namespace {

const QString kWinIni = folvane::fakes::FakeProfile::kWinIni;

std::optional<QString> device(FakePlatform& fake) {
  return fake.profile.get(kWinIni, "windows", "device");
}

}  // namespace

class TestPrinterSwitch : public QObject {
  Q_OBJECT
 private slots:
  void jobRunsWithThePdfPrinterAsDefaultThenTheOldOneComesBack() {
    FakePlatform fake;
    fake.profile.set(kWinIni, "windows", "device", "Office,HP LaserJet,ipp://office/ipp");
    std::optional<QString> duringJob;
    const bool ran =
        PrinterSwitch(fake.platform).Run("Acrobat PDFWriter", [&] { duringJob = device(fake); });
    QVERIFY(ran);
    QCOMPARE(duringJob, std::optional<QString>("Acrobat PDFWriter,Folvane PDF,PDFFILE:"));
    QCOMPARE(device(fake), std::optional<QString>("Office,HP LaserJet,ipp://office/ipp"));
    QCOMPARE(fake.printers.endDocCount, 2);  // once after each switch
    QCOMPARE(fake.system.sent.size(), 2);
    QVERIFY(fake.ui.messages.isEmpty());
  }

  void printerNameMatchesExactlyWithLetterCase() {
    FakePlatform fake;
    fake.profile.set(kWinIni, "windows", "device", "Office,HP LaserJet,ipp://office/ipp");
    bool ran = false;
    QVERIFY(!PrinterSwitch(fake.platform).Run("acrobat pdfwriter", [&] { ran = true; }));
    QVERIFY(!ran);
    // Nothing switched, and the user is told which printer is missing.
    QCOMPARE(device(fake), std::optional<QString>("Office,HP LaserJet,ipp://office/ipp"));
    QVERIFY(fake.system.sent.isEmpty());
    QCOMPARE(fake.ui.messages.size(), 1);
    QVERIFY(fake.ui.messages[0].text.contains("「acrobat pdfwriter」"));
    QCOMPARE(fake.ui.messages[0].title, QStringLiteral("Folvane"));
  }

  void anEmptyPrinterNameIsReportedAsUnset() {
    FakePlatform fake;
    bool ran = false;
    QVERIFY(!PrinterSwitch(fake.platform).Run(QString(), [&] { ran = true; }));
    QVERIFY(!ran);
    QCOMPARE(fake.ui.messages.size(), 1);
    QVERIFY(fake.ui.messages[0].text.contains("設定されていません"));
  }

  void aVanishedOldDefaultGetsItsWinIniEntryBackVerbatim() {
    FakePlatform fake;
    fake.profile.set(kWinIni, "windows", "device", "Office,HP LaserJet,ipp://office/ipp");
    PrinterSwitch(fake.platform).Run("Acrobat PDFWriter", [&] {
      fake.printers.printers.removeLast();  // Office is uninstalled meanwhile
    });
    QCOMPARE(device(fake), std::optional<QString>("Office,HP LaserJet,ipp://office/ipp"));
    QCOMPARE(fake.system.sent.size(), 2);
  }

  void withNoDefaultBeforeTheKeyIsRemovedAfterwards() {
    FakePlatform fake;
    fake.printers.current.clear();
    PrinterSwitch(fake.platform).Run("Acrobat PDFWriter", [&] {
      QVERIFY(device(fake).has_value());
    });
    QVERIFY(!device(fake).has_value());
    QCOMPARE(fake.profile.calls.back().function, QStringLiteral("DeleteWinIni"));
  }

  void aFailingJobStillRestoresTheDefault() {
    FakePlatform fake;
    fake.profile.set(kWinIni, "windows", "device", "Office,HP LaserJet,ipp://office/ipp");
    bool thrown = false;
    try {
      PrinterSwitch(fake.platform).Run("Acrobat PDFWriter", [] {
        throw std::runtime_error("engine died");
      });
    } catch (const std::runtime_error&) {
      thrown = true;
    }
    QVERIFY(thrown);
    QCOMPARE(device(fake), std::optional<QString>("Office,HP LaserJet,ipp://office/ipp"));
  }
};

QTEST_GUILESS_MAIN(TestPrinterSwitch)
#include "test_PrinterSwitch.moc"
