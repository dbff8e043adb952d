#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/profile/FileRegistry.h"

using namespace folvane::platform;

namespace {

long setText(Registry& reg, HKEY key, const QString& name, const QByteArray& bytes) {
  return reg.RegSetValueExA(key, name, 0, REG_SZ,
                            std::span<const char>(bytes.constData(), bytes.size() + 1));
}

}  // namespace

class TestFileRegistry : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void valuesPersistAsExactBytesAcrossInstances() {
    const QString file = dir_.filePath("reg1.json");
    {
      FileRegistry reg(file);
      HKEY key = 0;
      uint32_t disposition = 0;
      QCOMPARE(
          reg.RegCreateKeyExA(HKEY_CURRENT_USER, "SoftWare\\Adobe\\Acrobat PDFWriter", 0, {},
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
          ERROR_SUCCESS);
      QCOMPARE(disposition, REG_CREATED_NEW_KEY);
      QCOMPARE(setText(reg, key, "PDFFileName", QStringLiteral("/tmp/報告.pdf").toUtf8()),
               ERROR_SUCCESS);
      QCOMPARE(reg.RegCloseKey(key), ERROR_SUCCESS);
      QCOMPARE(reg.RegCloseKey(key), ERROR_INVALID_HANDLE);
    }
    FileRegistry again(file);
    // Key and value names match without regard to letter case.
    QCOMPARE(again.ReadValue("software\\adobe\\ACROBAT PDFWRITER", "pdffilename"),
             std::optional<QByteArray>(QStringLiteral("/tmp/報告.pdf").toUtf8() + '\0'));
    HKEY key = 0;
    uint32_t disposition = 0;
    again.RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Adobe\\Acrobat PDFWriter", 0, {}, 0,
                          KEY_ALL_ACCESS, nullptr, &key, &disposition);
    QCOMPARE(disposition, REG_OPENED_EXISTING_KEY);
    QCOMPARE(setText(again, key, "PDFFILENAME", "/x.pdf"), ERROR_SUCCESS);
    QCOMPARE(again.ReadValue("SoftWare\\Adobe\\Acrobat PDFWriter", "PDFFileName"),
             std::optional<QByteArray>(QByteArray("/x.pdf", 7)));
  }

  void badHandlesAndUnreadableFilesAreErrors() {
    FileRegistry reg(dir_.filePath("reg2.json"));
    QCOMPARE(setText(reg, 0x4242, "v", "x"), ERROR_INVALID_HANDLE);
    QCOMPARE(reg.RegCreateKeyExA(0x4242, "a", 0, {}, 0, KEY_ALL_ACCESS, nullptr, nullptr, nullptr),
             ERROR_INVALID_HANDLE);
    QVERIFY(!reg.ReadValue("nothing", "here").has_value());
  }

  void aDamagedFileIsKeptAsideAndAFreshOneStartedWithOneMessage() {
    for (const QByteArray& damage : {QByteArray("{ \"SoftWare\": {\"a\""), QByteArray("[1, 2]"),
                                     QByteArray("\x00\xff binary")}) {
      QTemporaryDir dir;
      const QString file = dir.filePath("registry.json");
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(damage);
      f.close();
      QStringList told;
      FileRegistry reg(file, [&](const QString& text) { told << text; });
      HKEY key = 0;
      QCOMPARE(reg.RegCreateKeyExA(HKEY_CURRENT_USER, "SoftWare\\Adobe\\Acrobat PDFWriter", 0, {},
                                   0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
               ERROR_SUCCESS);
      QCOMPARE(setText(reg, key, "PDFFileName", "/d/a.pdf"), ERROR_SUCCESS);
      QCOMPARE(reg.ReadValue("SoftWare\\Adobe\\Acrobat PDFWriter", "PDFFileName"),
               std::optional<QByteArray>(QByteArray("/d/a.pdf", 9)));
      // The damaged bytes are kept under a name the message gives.
      const QStringList aside = QDir(dir.path()).entryList({"registry.json.damaged-*"});
      QCOMPARE(aside.size(), 1);
      QFile kept(dir.filePath(aside[0]));
      QVERIFY(kept.open(QIODevice::ReadOnly));
      QCOMPARE(kept.readAll(), damage);
      QCOMPARE(told.size(), 1);
      QVERIFY(told[0].contains(file) && told[0].contains(dir.filePath(aside[0])));
    }
  }

  void missingFolderIsAWriteFault() {
    FileRegistry reg(dir_.filePath("no/such/reg.json"));
    HKEY key = 0;
    QCOMPARE(reg.RegCreateKeyExA(HKEY_CURRENT_USER, "k", 0, {}, 0, KEY_ALL_ACCESS, nullptr, &key,
                                 nullptr),
             ERROR_WRITE_FAULT);
  }
};

QTEST_GUILESS_MAIN(TestFileRegistry)
#include "test_FileRegistry.moc"
