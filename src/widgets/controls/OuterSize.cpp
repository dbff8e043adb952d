#include "OuterSize.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

#include "Twips.h"

namespace folvane {

OuterSize::OuterSize(QWidget* window, QSize twips)
    : QObject(window), window_(window), outer_(Tw(twips.width()), Tw(twips.height())) {
  window->installEventFilter(this);
}

void OuterSize::Apply() {
  // Asked of the window system each time: QWidget's own frame geometry is
  // only brought up to date when the window moves.
  const QWindow* handle = window_->windowHandle();
  const QMargins margins = handle ? handle->frameMargins() : QMargins();
  const QSize frame(margins.left() + margins.right(), margins.top() + margins.bottom());
  if (frame == frame_) return;
  frame_ = frame;
  window_->resize(outer_ - frame);
}

bool OuterSize::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) {
    switch (event->type()) {
      // The frame may come with none of these, or with no move at all (a window
      // the manager frames where it stands); the first paint and activation
      // after it come in any case.
      case QEvent::Show:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Paint:
      case QEvent::WindowActivate:
        Apply();
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace folvane
