#include "ClickableImage.h"

#include <QIcon>
#include <QMouseEvent>

namespace folvane {

ClickableImage::ClickableImage(const QString& iconPath, const QString& toolTip, QWidget* parent)
    : QLabel(parent) {
  setPixmap(QIcon(iconPath).pixmap(QSize(28, 28)));
  setAlignment(Qt::AlignCenter);
  setToolTip(toolTip);
  setCursor(Qt::PointingHandCursor);
}

void ClickableImage::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
  QLabel::mouseReleaseEvent(event);
}

}  // namespace folvane
