#include "OuterSize.h"

#include <QEvent>
#include <QWidget>

#include "Twips.h"

namespace folvane {

OuterSize::OuterSize(QWidget* window, QSize twips)
    : QObject(window), window_(window), outer_(Tw(twips.width()), Tw(twips.height())) {
  window->installEventFilter(this);
}

void OuterSize::Apply() {
  const QSize frame = window_->frameGeometry().size() - window_->geometry().size();
  if (frame == frame_) return;
  frame_ = frame;
  window_->resize(outer_ - frame);
}

bool OuterSize::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) {
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Move:
      case QEvent::Resize:
        Apply();
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace folvane
