#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "fakes/FakePlatform.h"
#include "widgets/FileSystemLists.h"
#include "widgets/frmFile.h"

using namespace folvane;

namespace {

// A window that opened the chooser, and another one used before it.
struct Receivers {
  fakes::FakePlatform fake;
  modIniFile ini{fake.platform};
  App app{fake.platform, ini};
  QLineEdit settingsSource;  // target 1
  QLineEdit mergeDir;        // target 3
  Receivers() {
    settingsSource.setText("kept");
    mergeDir.setText("old");
    app.dirTargets[1] = &settingsSource;
    app.dirTargets[3] = &mergeDir;
    app.DirSelectTarget = 3;
  }
};

QTreeWidgetItem* entry(DirListBox* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

}  // namespace

class TestFrmFile : public QObject {
  Q_OBJECT
 private slots:
  void laidOutAsDesigned() {
    Receivers r;
    frmFile f(r.app);
    QCOMPARE(f.windowTitle(), QStringLiteral("PDF File"));
    QCOMPARE(f.size(), QSize(339, 266));
    QCOMPARE(f.DirList->geometry(), QRect(8, 8, 177, 240));
    QCOMPARE(f.cmdExec->text(), QStringLiteral("選   択"));
    QCOMPARE(f.cmdExec->geometry(), QRect(192, 40, 137, 33));
    QCOMPARE(f.cmdCancel->geometry().topLeft(), QPoint(192, 96));
    QVERIFY(!f.DirList->font().bold() && f.cmdExec->font().bold());
    QCOMPARE(f.Drive->nextInFocusChain(), static_cast<QWidget*>(f.DirList));
  }

  void confirmingAtOnceWritesTheCurrentDirectoryIntoTheTargetOnly() {
    Receivers r;
    QSignalSpy changed(&r.mergeDir, &QLineEdit::textChanged);
    frmFile f(r.app);
    QCOMPARE(f.Drive->drive(), QStringLiteral("/"));
    f.cmdExec->click();
    QCOMPARE(r.mergeDir.text(), QStringLiteral("/home/user"));
    QCOMPARE(changed.size(), 1);  // the receiver hears it as it hears typing
    QCOMPARE(r.settingsSource.text(), QStringLiteral("kept"));
    QCOMPARE(f.result(), int(QDialog::Accepted));
    QCOMPARE(r.app.DirSelectTarget, int16_t(3));  // kept after closing
  }

  void aHighlightedEntryIsNotTakenAnOpenedOneIs() {
    Receivers r;
    frmFile f(r.app);
    f.show();
    QTreeWidgetItem* pictures = entry(f.DirList, "Pictures");
    QVERIFY(pictures);
    QTest::mouseClick(f.DirList->viewport(), Qt::LeftButton, {},
                      f.DirList->visualItemRect(pictures).center());
    QCOMPARE(f.DirList->path(), QStringLiteral("/home/user"));
    QTest::mouseDClick(f.DirList->viewport(), Qt::LeftButton, {},
                       f.DirList->visualItemRect(pictures).center());
    QCOMPARE(f.DirList->path(), QStringLiteral("/home/user/Pictures"));
    // Enter opens the highlighted entry too, and the root shows its separator.
    f.DirList->setCurrentItem(entry(f.DirList, "/"));
    QTest::keyClick(f.DirList, Qt::Key_Return);
    QCOMPARE(f.DirList->path(), QStringLiteral("/"));
    f.DirList->setCurrentItem(entry(f.DirList, "home"));
    QTest::keyClick(f.DirList, Qt::Key_Return);
    f.cmdExec->click();
    QCOMPARE(r.mergeDir.text(), QStringLiteral("/home"));
  }

  void aDriveChangeGoesToThatDrivesCurrentDirectory() {
    Receivers r;
    frmFile f(r.app);
    f.Drive->setCurrentIndex(f.Drive->findText("/media/usb"));
    emit f.Drive->activated(f.Drive->currentIndex());
    QCOMPARE(f.DirList->path(), QStringLiteral("/media/usb"));
    f.cmdExec->click();
    QCOMPARE(r.mergeDir.text(), QStringLiteral("/media/usb"));
  }

  void choosingTheShownDriveAgainKeepsThePlace() {
    Receivers r;
    frmFile f(r.app);
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.DirList->setFocus();
    f.DirList->setCurrentItem(entry(f.DirList, "Pictures"));
    QTest::keyClick(f.DirList, Qt::Key_Return);
    QCOMPARE(f.DirList->path(), QStringLiteral("/home/user/Pictures"));
    // The drop-down opened and the shown drive picked again.
    f.Drive->setFocus();
    QTest::keyClick(f.Drive, Qt::Key_F4);
    QVERIFY(QTest::qWaitFor([&] { return f.Drive->view()->isVisible(); }));
    QTest::keyClick(f.Drive->view(), Qt::Key_Return);
    QCOMPARE(f.Drive->drive(), QStringLiteral("/"));
    QCOMPARE(f.DirList->path(), QStringLiteral("/home/user/Pictures"));
    // Another drive still moves the list.
    QTest::keyClick(f.Drive, Qt::Key_Down);
    QCOMPARE(f.DirList->path(), QStringLiteral("/media/usb"));
  }

  void cancelAndOtherTargetsWriteNothing() {
    for (int16_t target : {int16_t(0), int16_t(6), int16_t(3)}) {
      Receivers r;
      r.app.DirSelectTarget = target;
      frmFile f(r.app);
      f.DirList->setPath("/media");
      if (target == 3)
        f.cmdCancel->click();
      else
        f.cmdExec->click();
      QCOMPARE(r.mergeDir.text(), QStringLiteral("old"));
      QCOMPARE(r.settingsSource.text(), QStringLiteral("kept"));
    }
    Receivers closed;
    frmFile f(closed.app);
    f.DirList->setPath("/media");
    f.close();  // the close box
    QCOMPARE(closed.mergeDir.text(), QStringLiteral("old"));
  }

  void unreadablePlacesAreSaidAndTheListStaysUsable() {
    Receivers r;
    r.fake.drives.unreadable << "/media/usb"
                             << "/home/user/Pictures";
    frmFile f(r.app);
    f.DirList->setPath("/home/user/Pictures");
    QCOMPARE(r.fake.ui.messages.size(), 1);
    QVERIFY(r.fake.ui.messages[0].text.contains("/home/user/Pictures"));
    QCOMPARE(f.DirList->path(), QStringLiteral("/home/user"));
    QVERIFY(entry(f.DirList, "Documents"));

    f.Drive->setCurrentIndex(f.Drive->findText("/media/usb"));
    emit f.Drive->activated(f.Drive->currentIndex());
    QCOMPARE(r.fake.ui.messages.size(), 2);
    QCOMPARE(f.Drive->drive(), QStringLiteral("/"));  // back on the drive still shown
    QCOMPARE(f.DirList->path(), QStringLiteral("/home/user"));
    f.cmdExec->click();
    QCOMPARE(r.mergeDir.text(), QStringLiteral("/home/user"));
  }

  void aClosedReceiverIsNotWrittenTo() {
    Receivers r;
    auto* gone = new QLineEdit;
    r.app.dirTargets[5] = gone;
    delete gone;  // its window was closed meanwhile
    r.app.DirSelectTarget = 5;
    frmFile f(r.app);
    f.cmdExec->click();  // must not crash
    QCOMPARE(f.result(), int(QDialog::Accepted));
  }

  void fileListFiltersByItsPattern() {
    fakes::FakePlatform fake;
    fake.drives.files["/media/usb/scans"] = {"a.TIF", "b.jpg", "c.png", "d.jpeg"};
    FileListBox list(fake.drives, nullptr);
    list.setPattern("*.tif;*.jpg");
    QVERIFY(list.setPath("/media/usb/scans"));
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.fileName(), QString());  // nothing selected yet
    list.setCurrentRow(1);
    QCOMPARE(list.fileName(), QStringLiteral("b.jpg"));
    QVERIFY(!list.setPath("/nowhere"));
    QCOMPARE(list.path(), QStringLiteral("/media/usb/scans"));
  }
};

QTEST_MAIN(TestFrmFile)
#include "test_frmFile.moc"
