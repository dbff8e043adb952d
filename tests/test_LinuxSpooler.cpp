#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "fakes/FakePrinters.h"
#include "platform/Failure.h"
#include "platform/printing/LinuxSpooler.h"
#include "platform/profile/FileRegistry.h"
#include "platform/profile/LinuxProfile.h"

using namespace folvane::platform;

class TestLinuxSpooler : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  LinuxProfile profile_{CodePage("UTF-8"), [this] { return dir_.filePath("win.ini"); }};
  FileRegistry registry_{dir_.filePath("registry.json")};
  folvane::fakes::FakePrinters printers_;
  LinuxSpooler spooler_{profile_, registry_, printers_};
  QString pdf_;

  void setRegistryName(const QString& path) {
    HKEY key = 0;
    registry_.RegCreateKeyExA(HKEY_CURRENT_USER, kPdfWriterRegistryKey, 0, {}, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr);
    const QByteArray bytes = path.toUtf8();
    registry_.RegSetValueExA(key, kPdfWriterFileNameValue, 0, REG_SZ,
                             std::span<const char>(bytes.constData(), bytes.size() + 1));
    registry_.RegCloseKey(key);
  }
  static QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

 private slots:
  void initTestCase() {
    pdf_ = dir_.filePath("rendered.pdf");
    QFile f(pdf_);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4 rendered");
    f.close();
    QVERIFY(profile_.WriteProfileStringA(kPdfWriterIniSection, kPdfWriterFileNameValue,
                                         dir_.filePath("xyzzyx.pdf")));
    printers_.current = kVirtualPdfPrinter;
  }

  void virtualPrinterUsesTheRegistryNameWhenItsFolderExists() {
    QVERIFY(QDir().mkpath(dir_.filePath("out")));
    setRegistryName(dir_.filePath("out/報告.pdf"));
    spooler_.PrintPdf(pdf_, "報告.doc");
    QCOMPARE(read(dir_.filePath("out/報告.pdf")), QByteArray("%PDF-1.4 rendered"));
    QVERIFY(!QFile::exists(dir_.filePath("xyzzyx.pdf")));
    QVERIFY(QFile::exists(pdf_));  // the spooler leaves its input alone
  }

  void anExistingFileAtTheRegistryNameIsNeverReplaced() {
    ::umask(022);
    QVERIFY(QDir().mkpath(dir_.filePath("mine")));
    const QString wanted = dir_.filePath("mine/見積.pdf");
    QFile users(wanted);
    QVERIFY(users.open(QIODevice::WriteOnly));
    users.write("the user's own");
    users.close();
    setRegistryName(wanted);
    spooler_.PrintPdf(pdf_, "見積.doc");
    spooler_.PrintPdf(pdf_, "見積.doc");
    QCOMPARE(read(wanted), QByteArray("the user's own"));
    QCOMPARE(read(dir_.filePath("mine/見積 (1).pdf")), QByteArray("%PDF-1.4 rendered"));
    // The user's own file mode, not a temporary file's owner-only one.
    QCOMPARE(QFileInfo(dir_.filePath("mine/見積 (1).pdf")).permissions() & QFile::ReadOther,
             QFile::ReadOther);
    QCOMPARE(read(dir_.filePath("mine/見積 (2).pdf")), QByteArray("%PDF-1.4 rendered"));
    QCOMPARE(spooler_.TakeDiversions(),
             (QList<Diversion>{{wanted, dir_.filePath("mine/見積 (1).pdf")},
                               {wanted, dir_.filePath("mine/見積 (2).pdf")}}));
    QVERIFY(spooler_.TakeDiversions().isEmpty());  // told once
    // Nothing of the printer's own work is left in the folder.
    QCOMPARE(QDir(dir_.filePath("mine")).entryList(QDir::Files | QDir::Hidden).size(), 3);
  }

  void otherwiseTheCollectingFileWhichItOverwrites() {
    setRegistryName(dir_.filePath("no-such-folder/a.pdf"));
    QFile old(dir_.filePath("xyzzyx.pdf"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("stale");
    old.close();
    spooler_.PrintPdf(pdf_, "a.doc");
    QCOMPARE(read(dir_.filePath("xyzzyx.pdf")), QByteArray("%PDF-1.4 rendered"));
    QVERIFY(spooler_.TakeDiversions().isEmpty());

    // A name in the batch conversion's fixed folder only names the PDF:
    // it is collected even when that folder was made by someone.
    QVERIFY(QDir().mkpath(dir_.filePath("fixed")) && QFile::remove(dir_.filePath("xyzzyx.pdf")));
    LinuxSpooler naming(profile_, registry_, printers_, {}, dir_.filePath("fixed/"));
    setRegistryName(dir_.filePath("fixed/b.pdf"));
    naming.PrintPdf(pdf_, "b.doc");
    QCOMPARE(read(dir_.filePath("xyzzyx.pdf")), QByteArray("%PDF-1.4 rendered"));
    QVERIFY(!QFile::exists(dir_.filePath("fixed/b.pdf")));
  }

  void noDefaultPrinterOrNoOutputNameIsAFailure() {
    printers_.current.clear();
    QVERIFY_THROWS_EXCEPTION(Failure, spooler_.PrintPdf(pdf_, "a"));
    printers_.current = kVirtualPdfPrinter;
    setRegistryName(QString());
    QVERIFY(profile_.WriteProfileStringA(kPdfWriterIniSection, kPdfWriterFileNameValue, ""));
    QVERIFY_THROWS_EXCEPTION(Failure, spooler_.PrintPdf(pdf_, "a"));
    QVERIFY(profile_.WriteProfileStringA(kPdfWriterIniSection, kPdfWriterFileNameValue,
                                         dir_.filePath("xyzzyx.pdf")));
  }

  void anUnreadableFileIsToldWithDocumentAndPrinter() {
    printers_.current = kVirtualPdfPrinter;
    QString why;
    try {
      spooler_.PrintPdf(dir_.filePath("gone.pdf"), "報告.doc");
    } catch (const Failure& e) {
      why = e.message();
    }
    QVERIFY2(why.contains("「報告.doc」をプリンター「Acrobat PDFWriter」で印刷できません") &&
                 why.contains(dir_.filePath("gone.pdf")) && why.contains("ありません"),
             qPrintable(why));
  }
};

QTEST_GUILESS_MAIN(TestLinuxSpooler)
#include "test_LinuxSpooler.moc"
