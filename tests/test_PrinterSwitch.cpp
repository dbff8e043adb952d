#include <QFile>
#include <algorithm>
#include <QTemporaryDir>
#include <QTest>

#include "convert/PrinterSwitch.h"
#include "fakes/FakePlatform.h"
#include "platform/files/LinuxFiles.h"
#include "platform/profile/LinuxProfile.h"

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

  void withNoDeviceBeforeNoDeviceAfterwardsEvenWhenCupsHasADefault() {
    FakePlatform fake;  // the default comes from CUPS: win.ini names none
    QVERIFY(!fake.printers.current.isEmpty());
    fake.profile.set(kWinIni, "windows", "load", "");
    PrinterSwitch(fake.platform).Run("Acrobat PDFWriter", [&] {
      QVERIFY(device(fake).has_value());
    });
    QVERIFY(!device(fake).has_value());
    QVERIFY(fake.profile.get(kWinIni, "windows", "load"));  // the section keeps its other keys
    QCOMPARE(fake.system.sent.size(), 2);

    // A section the switch made is gone with its key.
    FakePlatform bare;
    PrinterSwitch(bare.platform).Run("Acrobat PDFWriter", [] {});
    QVERIFY(bare.profile.keyOrder(kWinIni).isEmpty());
    // The last change to win.ini; only the record's cleanup follows it.
    const auto changes =
        std::find_if(bare.profile.calls.rbegin(), bare.profile.calls.rend(), [](const auto& c) {
          return c.function.contains("WinIni") && !c.function.startsWith("Get");
        });
    QVERIFY(changes != bare.profile.calls.rend());
    QCOMPARE(changes->function, QStringLiteral("DeleteWinIniSection"));
  }

  void aStaleDeviceComesBackAsItWasNotAsTheCupsDefault() {
    FakePlatform fake;
    fake.profile.set(kWinIni, "windows", "device", "Gone,Old Driver,usb://gone");
    PrinterSwitch(fake.platform).Run("Acrobat PDFWriter", [] {});
    QCOMPARE(device(fake), std::optional<QString>("Gone,Old Driver,usb://gone"));
  }

  void theRecordLastsExactlyAsLongAsTheSwitch() {
    FakePlatform fake;
    const QString record = FakePlatform::kSwitchRecord;
    fake.profile.set(kWinIni, "windows", "device", "Office,HP LaserJet,ipp://office/ipp");
    QStringList duringJob;
    PrinterSwitch(fake.platform).Run("Acrobat PDFWriter", [&] {
      duringJob = fake.profile.keyOrder(record);
      // Ending the program now puts the old default back at once.
      QVERIFY(PrinterSwitch::Recover(fake.platform));
      QCOMPARE(device(fake), std::optional<QString>("Office,HP LaserJet,ipp://office/ipp"));
    });
    QCOMPARE(duringJob,
             (QStringList{"PrinterSwitch/Pid", "PrinterSwitch/Before", "PrinterSwitch/During"}));
    QVERIFY(fake.profile.keyOrder(record).isEmpty());
    QVERIFY(!PrinterSwitch::Recover(fake.platform));  // nothing left to undo
    QCOMPARE(device(fake), std::optional<QString>("Office,HP LaserJet,ipp://office/ipp"));
  }

  void aSwitchInForceForAnotherInstanceKeepsTheRealDefault() {
    FakePlatform fake;
    const QString record = FakePlatform::kSwitchRecord;
    const QString pdfWriter = "Acrobat PDFWriter,Folvane PDF,PDFFILE:";
    fake.profile.set(record, "PrinterSwitch", "Pid", "777");
    fake.profile.set(
        record, "PrinterSwitch", "Before",
        "+" + QString::fromLatin1(QByteArray("Office,HP LaserJet,ipp://office/ipp").toHex()));
    fake.profile.set(record, "PrinterSwitch", "During",
                     QString::fromLatin1(pdfWriter.toUtf8().toHex()));
    fake.profile.set(kWinIni, "windows", "device", pdfWriter);
    fake.process.otherInstances << 777;
    PrinterSwitch(fake.platform).Run("Acrobat PDFWriter", [] {});
    QCOMPARE(device(fake), std::optional<QString>("Office,HP LaserJet,ipp://office/ipp"));
  }

  void recoveryLeavesADefaultTheUserChoseSince() {
    FakePlatform fake;
    const QString record = FakePlatform::kSwitchRecord;
    fake.profile.set(record, "PrinterSwitch", "Pid", "999");  // gone
    fake.profile.set(record, "PrinterSwitch", "Before", "-");
    fake.profile.set(
        record, "PrinterSwitch", "During",
        QString::fromLatin1(QByteArray("Acrobat PDFWriter,Folvane PDF,PDFFILE:").toHex()));
    fake.profile.set(kWinIni, "windows", "device", "Office,HP LaserJet,ipp://office/ipp");
    QVERIFY(!PrinterSwitch::Recover(fake.platform));
    QCOMPARE(device(fake), std::optional<QString>("Office,HP LaserJet,ipp://office/ipp"));
    QVERIFY(fake.profile.keyOrder(record).isEmpty());

    // A record cut short before the switch was made is only dropped.
    fake.profile.set(record, "PrinterSwitch", "Pid", "999");
    QVERIFY(!PrinterSwitch::Recover(fake.platform));
    QVERIFY(fake.profile.keyOrder(record).isEmpty());
  }

  void winIniIsByteForByteAsBeforeOnRealFiles() {
    const QByteArray cases[] = {
        // as start-up leaves it: no [windows] at all
        "[Acrobat PDFWriter]\r\nPDFFileName=/s/xyzzyx.pdf\r\n",
        "[windows]\r\ndevice=Office,HP LaserJet,ipp://office/ipp\r\nload=\r\n"
        "[Acrobat PDFWriter]\r\nPDFFileName=/s/xyzzyx.pdf\r\n",
        "; mine\r\n[windows]\r\nload=\r\n",
        // a [windows] of its own with no keys, only a note
        "[windows]\r\n; the default comes from CUPS\r\n[Acrobat PDFWriter]\r\nPDFFileName=x\r\n",
    };
    for (const QByteArray& before : cases) {
      QTemporaryDir dir;
      const QString winIni = dir.filePath("win.ini");
      const auto bytes = [&] {
        QFile f(winIni);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
      };
      QFile f(winIni);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(before);
      f.close();
      folvane::platform::LinuxProfile profile(folvane::platform::CodePage("UTF-8"),
                                              [&] { return winIni; });
      folvane::platform::LinuxFiles files(folvane::platform::CodePage("UTF-8"));
      FakePlatform fake;
      auto platform = fake.with(profile, files);
      platform.switchRecord = dir.filePath("printer-switch.ini");
      QByteArray during;
      bool recorded = false;
      PrinterSwitch(platform).Run("Acrobat PDFWriter", [&] {
        during = bytes();
        recorded = QFile::exists(platform.switchRecord);
      });
      QVERIFY(during.contains("device=Acrobat PDFWriter,Folvane PDF,PDFFILE:\r\n"));
      QCOMPARE(bytes(), before);
      // The record is there while the switch is, and leaves no empty file.
      QVERIFY(recorded);
      QVERIFY(!QFile::exists(platform.switchRecord));
    }
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
