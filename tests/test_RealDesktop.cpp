// Run by desktop/under-window-manager.sh: a real X server with a window
// manager, so frames and title bars are real and appear late.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include "acrobat/frmInsertPDF.h"
#include "acrobat/frmPrintPDF.h"
#include "config/frmConfig.h"
#include "convert/frmFileConv.h"
#include "fakes/FakePlatform.h"
#include "shell/Folvane.h"
#include "shell/frmAbout.h"
#include "widgets/controls/Twips.h"
#include "widgets/frmFile.h"

using namespace folvane;

namespace {

QSize TwSize(int width, int height) {
  return QSize(Tw(width), Tw(height));
}

// The outer rectangle as the window system has it now (QWidget's own is
// brought up to date only when the window moves).
QRect outerOf(const QWidget& window) {
  return window.windowHandle() ? window.windowHandle()->frameGeometry() : QRect();
}

// Shows the window and waits until the window manager has framed it.
void showFramed(QWidget& window) {
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window, 10000));
  QVERIFY2(QTest::qWaitFor([&] { return outerOf(window).height() > window.height(); }, 10000),
           "no frame: is a window manager running?");
  QTest::qWait(300);  // what follows the frame (resizes) settles
}

void report(const char* name, const QWidget& window) {
  const QRect outer = outerOf(window);
  const QRect inner = window.geometry();
  qInfo("%s: outer %dx%d at %d,%d; inner %dx%d; frame left %d top %d", name, outer.width(),
        outer.height(), outer.x(), outer.y(), inner.width(), inner.height(), inner.x() - outer.x(),
        inner.y() - outer.y());
}

struct Context {
  fakes::FakePlatform fake;
  modIniFile ini{fake.platform};
  App app{fake.platform, ini};
};

}  // namespace

class TestRealDesktop : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    // The window manager starts beside the test; once it frames a window it
    // manages (and activates) every window shown after.
    QWidget probe;
    probe.resize(50, 50);
    showFramed(probe);
  }

  void mainWindowTopLeftWithItsOuterSizeAndFocusOnConv() {
    Context c;
    Folvane window(c.app);
    window.Form_Load();
    showFramed(window);
    report("Folvane", window);
    QVERIFY(QTest::qWaitFor([&] { return outerOf(window).size() == TwSize(4900, 1620); }));
    QCOMPARE(outerOf(window), QRect(QPoint(0, 0), TwSize(4900, 1620)));
    qInfo("Folvane: client below the menu %dx%d", window.centralWidget()->width(),
          window.centralWidget()->height());
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), window.cmdConv);
  }

  void settingsDialogHasItsOuterSize() {
    Context c;
    frmConfig dialog(c.app);
    showFramed(dialog);
    report("frmConfig", dialog);
    QVERIFY(QTest::qWaitFor([&] { return outerOf(dialog).size() == TwSize(6105, 4600); }));
    QCOMPARE(outerOf(dialog).size(), TwSize(6105, 4600));
    // The buttons below the strip stay inside the smaller client area.
    QVERIFY(dialog.rect().contains(dialog.cmdApply->geometry()));
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), dialog.cmdCancel);
  }

  // Windows whose client area is given keep it; the frame comes on top.
  void clientSizedWindowsKeepTheirClientArea() {
    Context c;
    frmAbout about;
    frmFile chooser(c.app);
    frmFileConv conversion(c.app);
    frmInsertPDF merge(c.app);
    frmPrintPDF print(c.app);
    const struct {
      const char* name;
      QWidget* window;
      QSize client;
    } windows[] = {
        {"frmAbout", &about, TwSize(5340, 1995)},
        {"frmFile", &chooser, TwSize(5085, 3990)},
        {"frmFileConv", &conversion, TwSize(5085, 2280)},
        {"frmInsertPDF", &merge, TwSize(4935, 2520)},
        {"frmPrintPDF", &print, TwSize(4695, 1560)},
    };
    for (const auto& w : windows) {
      showFramed(*w.window);
      report(w.name, *w.window);
      QCOMPARE(w.window->size(), w.client);
      QCOMPARE(w.window->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
      QVERIFY(outerOf(*w.window).width() > w.client.width());
      w.window->close();
    }
  }
};

QTEST_MAIN(TestRealDesktop)
#include "test_RealDesktop.moc"
