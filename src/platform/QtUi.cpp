#include "QtUi.h"

#include <QApplication>
#include <QMessageBox>

namespace folvane::platform {

void QtUi::DoEvents() {
  QApplication::processEvents();
}

void QtUi::showMessage(const QString& text, MsgIcon icon, const QString& title) {
  QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
  switch (icon) {
    case MsgIcon::None:
      qtIcon = QMessageBox::NoIcon;
      break;
    case MsgIcon::Information:
      qtIcon = QMessageBox::Information;
      break;
    case MsgIcon::Warning:
      qtIcon = QMessageBox::Warning;
      break;
    case MsgIcon::Critical:
      qtIcon = QMessageBox::Critical;
      break;
  }
  QMessageBox box(qtIcon, title, text, QMessageBox::Ok);
  // A message met during a job gets the ordinary pointer, not the hourglass.
  const bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  if (busy) QApplication::restoreOverrideCursor();
}

}  // namespace folvane::platform
