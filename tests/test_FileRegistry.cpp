#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/FileRegistry.h"

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

    // A damaged file is not overwritten: that would lose every other value.
    const QString damaged = dir_.filePath("reg3.json");
    QFile f(damaged);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("{ not json");
    f.close();
    FileRegistry broken(damaged);
    HKEY key = 0;
    QVERIFY(broken.RegCreateKeyExA(HKEY_CURRENT_USER, "k", 0, {}, 0, KEY_ALL_ACCESS, nullptr, &key,
                                   nullptr) != ERROR_SUCCESS);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("{ not json"));
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
