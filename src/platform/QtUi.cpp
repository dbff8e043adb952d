#include "QtUi.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace folvane::platform {

void QtUi::DoEvents() {
  QApplication::processEvents();
}

void QtUi::Beep() {
  QApplication::beep();
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

namespace folvane::platform {

QStringList QtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
    // Qt takes the patterns from the last parentheses of each entry.
    filters << (description.endsWith(u'(' + patterns + u')')
                    ? description
                    : description + QStringLiteral(" (") + patterns + u')');
  }
  return filters;
}

std::optional<QString> QtUi::OpenFileDialog(const QString& filter, int filterIndex,
                                            const QString& fileName) {
  QFileDialog dialog;
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);  // a log file that does not exist yet is fine
  const QStringList filters = QtNameFilters(filter);
  dialog.setNameFilters(filters);
  if (filterIndex >= 1 && filterIndex <= filters.size())
    dialog.selectNameFilter(filters[filterIndex - 1]);
  if (!fileName.isEmpty()) dialog.selectFile(fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

}  // namespace folvane::platform
