#include <QTest>

#include "convert/modAPIPrinter.h"
#include "convert/modAPIReg.h"
#include "fakes/FakePlatform.h"

using folvane::fakes::FakePlatform;

class TestModAPIPrinter : public QObject {
  Q_OBJECT
 private slots:
  void deviceStringKeepsCommasOfThePrinterName() {
    FakePlatform fake;
    folvane::SetDefaultPrinter(fake.platform, "Floor 2, east", "HP, PCL 6", "ipp://h/p");
    QCOMPARE(fake.profile.calls.size(), 1);
    const auto& call = fake.profile.calls.front();
    QCOMPARE(call.function, QStringLiteral("WriteWinIni"));
    QCOMPARE(call.section, QStringLiteral("windows"));
    QCOMPARE(call.key, QStringLiteral("device"));
    QCOMPARE(call.value, QStringLiteral("Floor 2, east,HP, PCL 6,ipp://h/p"));
  }

  void broadcastCarriesNullOnNtAndTheSectionOnOlderSystems() {
    FakePlatform nt;
    folvane::SetDefaultPrinter(nt.platform, "P", "D", "X");
    QVERIFY(folvane::IsWinNT(nt.platform));
    QCOMPARE(nt.system.sent.size(), 1);
    QCOMPARE(nt.system.sent[0].hwnd, 0xFFFFu);
    QCOMPARE(nt.system.sent[0].msg, 0x001Au);
    QCOMPARE(nt.system.sent[0].wParam, uintptr_t(0));
    QVERIFY(!nt.system.sent[0].lParam.has_value());

    FakePlatform win98;
    win98.system.version = 0xC0000A04u;  // top bit set
    QVERIFY(!folvane::IsWinNT(win98.platform));
    folvane::SetDefaultPrinter(win98.platform, "P", "D", "X");
    QCOMPARE(win98.system.sent.size(), 1);
    QCOMPARE(win98.system.sent[0].lParam, std::optional<QByteArray>("windows"));
  }

  void outputNameIsStoredWholeWithItsTerminator() {
    FakePlatform fake;
    const QString path = QStringLiteral("/home/利用者/tmp/報告書.pdf");
    folvane::SetPDFWriterFileName(fake.platform, path);
    QCOMPARE(fake.registry.log,
             (QStringList{"Create SoftWare\\Adobe\\Acrobat PDFWriter root=80000001 options=0 "
                          "access=f003f",
                          "Set PDFFileName", "Close"}));
    QCOMPARE(fake.registry.openHandles, 0);
    QCOMPARE(fake.registry.sets.size(), 1);
    const auto& set = fake.registry.sets.front();
    QCOMPARE(set.type, 1u);  // REG_SZ
    const QByteArray utf8 = path.toUtf8();
    QVERIFY(utf8.size() > path.size());
    QCOMPARE(set.data.size(), utf8.size() + 1);
    QCOMPARE(set.data, utf8 + QByteArray(1, '\0'));
  }
};

QTEST_GUILESS_MAIN(TestModAPIPrinter)
#include "test_modAPIPrinter.moc"
