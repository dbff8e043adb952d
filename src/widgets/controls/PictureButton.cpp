#include "PictureButton.h"

#include <QKeyEvent>

namespace folvane {

PictureButton::PictureButton(const QString& caption, const QString& iconPath, const QColor& face,
                             QWidget* parent)
    : QToolButton(parent) {
  setText(caption);
  setIcon(QIcon(iconPath));
  setIconSize(QSize(24, 24));
  setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  setFocusPolicy(Qt::StrongFocus);
  QPalette pal = palette();
  pal.setColor(QPalette::Button, face);
  pal.setColor(QPalette::ButtonText, Qt::black);
  setPalette(pal);
  setAutoFillBackground(true);
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    animateClick();
    return;
  }
  QToolButton::keyPressEvent(event);
}

}  // namespace folvane
