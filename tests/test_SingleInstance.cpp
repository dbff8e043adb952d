#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "platform/process/SingleInstance.h"

using folvane::platform::SingleInstance;

class TestSingleInstance : public QObject {
  Q_OBJECT
 private slots:
  void aSecondStartReachesTheFirst() {
    QTemporaryDir dir;
    const QString path = dir.filePath("instance");
    SingleInstance first(path);
    QSignalSpy reached(&first, &SingleInstance::Reached);
    QVERIFY(first.Claim());
    QVERIFY(first.Listening());
    SingleInstance second(path);
    QVERIFY(!second.Claim());
    QVERIFY(!second.Listening());
    QTRY_COMPARE(reached.count(), 1);
    SingleInstance third(path);
    QVERIFY(!third.Claim());
    QTRY_COMPARE(reached.count(), 2);
  }

  void whatADeadInstanceLeftDoesNotCount() {
    QTemporaryDir dir;
    const QString path = dir.filePath("instance");
    {
      QFile left(path);  // not a socket anybody listens on
      QVERIFY(left.open(QIODevice::WriteOnly));
    }
    SingleInstance first(path);
    QVERIFY(first.Claim());
    QSignalSpy reached(&first, &SingleInstance::Reached);
    SingleInstance second(path);
    QVERIFY(!second.Claim());
    QTRY_COMPARE(reached.count(), 1);
  }

  void theNextStartAfterTheEndIsFirstAgain() {
    QTemporaryDir dir;
    const QString path = dir.filePath("instance");
    {
      SingleInstance gone(path);
      QVERIFY(gone.Claim());
    }
    SingleInstance next(path);
    QVERIFY(next.Claim());
  }

  // Without a socket to listen on (a path too long for one, a folder that
  // is not there) the program still runs, and says it does not listen.
  void aStartWithoutASocketRunsUnheard() {
    QTemporaryDir dir;
    SingleInstance tooLong(dir.filePath(QString(120, u'x')));
    QVERIFY(tooLong.Claim());
    QVERIFY(!tooLong.Listening());
    SingleInstance nowhere(dir.filePath("missing/instance"));
    QVERIFY(nowhere.Claim());
    QVERIFY(!nowhere.Listening());
  }

  void bringForwardShowsTheWindowAndTheModalOneInFront() {
    QWidget window;
    window.showMinimized();
    SingleInstance::BringForward(window);
    QVERIFY(window.isVisible());
    QVERIFY(!(window.windowState() & Qt::WindowMinimized));
    QTRY_COMPARE(QApplication::activeWindow(), &window);

    QDialog dialog;
    dialog.setModal(true);
    dialog.show();
    window.showMinimized();
    dialog.showMinimized();
    SingleInstance::BringForward(window);
    QVERIFY(!(window.windowState() & Qt::WindowMinimized));
    QVERIFY(!(dialog.windowState() & Qt::WindowMinimized));
    QTRY_COMPARE(QApplication::activeWindow(), &dialog);
  }
};

QTEST_MAIN(TestSingleInstance)
#include "test_SingleInstance.moc"
