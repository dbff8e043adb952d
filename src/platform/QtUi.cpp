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
  box.exec();
}

}  // namespace folvane::platform
