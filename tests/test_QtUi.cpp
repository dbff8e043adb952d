#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/desktop/QtUi.h"

using namespace folvane::platform;

namespace {

// What the file dialog showed once its folder was listed; then cancelled.
struct Seen {
  QStringList names;
  QString filter;
  QString lookIn;
  QString fileName;
  QString cancel;
};

// Waits (at most about 5 s) for `listed` entries, then records and cancels.
void watchNextFileDialog(Seen& seen, int listed, int tries = 250) {
  QTimer::singleShot(20, [&seen, listed, tries] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    auto* list = dialog ? dialog->findChild<QListView*>(QStringLiteral("listView")) : nullptr;
    if (!list || (list->model()->rowCount(list->rootIndex()) < listed && tries > 0)) {
      watchNextFileDialog(seen, listed, tries - 1);
      return;
    }
    QTest::qWait(100);  // the name filter is applied after the listing
    for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
      seen.names << list->model()->index(row, 0, list->rootIndex()).data().toString();
    seen.filter = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
    seen.lookIn = dialog->findChild<QLabel*>(QStringLiteral("lookInLabel"))->text();
    seen.fileName = dialog->findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text();
    seen.cancel = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text();
    dialog->reject();
  });
}

}  // namespace

class TestQtUi : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QVERIFY(LoadQtTranslations(*qApp)); }

  void filtersKeepTheirTextAndGiveQtWindowsPatterns() {
    QCOMPARE(
        QtNameFilters(QStringLiteral("すべてのファイル (*.*)|*.*|ＰＤＦ ファイル (*.pdf)|*.pdf|")),
        QStringList({QStringLiteral("すべてのファイル (*.*) (*)"),
                     QStringLiteral("ＰＤＦ ファイル (*.pdf) (*.pdf)")}));
    QCOMPARE(QtNameFilters(QStringLiteral("画像|*.tif;*.jpg")),
             QStringList{QStringLiteral("画像 (*.tif *.jpg)")});
  }

  void standardButtonsSpeakJapanese() {
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    // The file dialog's type column, which the installed translation lacks.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    QCOMPARE(QFileIconProvider().type(QFileInfo(dir.filePath("sub"))),
             QStringLiteral("フォルダー"));
  }

  // "*.*" lists files without an extension too; the dialog itself is Japanese.
  void theFileDialogMatchesAsWindowsAndSpeaksJapanese() {
    QTemporaryDir dir;
    for (const char* name : {"README", "a.pdf", "b.TXT"}) {
      QFile file(dir.filePath(QString::fromLatin1(name)));
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString filter =
        QStringLiteral("すべてのファイル (*.*)|*.*|ＰＤＦ ファイル (*.pdf)|*.pdf|");
    QtUi ui;
    Seen all;
    watchNextFileDialog(all, 3);
    QVERIFY(!ui.OpenFileDialog(filter, 1, dir.filePath("x")));
    all.names.sort();
    QCOMPARE(all.names, QStringList({"README", "a.pdf", "b.TXT"}));
    QCOMPARE(all.filter, QStringLiteral("すべてのファイル (*.*)"));
    QCOMPARE(all.cancel, QStringLiteral("キャンセル"));
    QVERIFY2(all.lookIn != u"Look in:" && all.fileName != u"File name:",
             qPrintable(all.lookIn + u' ' + all.fileName));

    Seen pdf;
    watchNextFileDialog(pdf, 1);
    QVERIFY(!ui.OpenFileDialog(filter, 2, dir.filePath("x")));
    QCOMPARE(pdf.names, QStringList{"a.pdf"});
    QCOMPARE(pdf.filter, QStringLiteral("ＰＤＦ ファイル (*.pdf)"));
  }
};

QTEST_MAIN(TestQtUi)
#include "test_QtUi.moc"
