#pragma once

#include <QObject>
#include <QSize>

class QWidget;

namespace folvane {

// Holds a window's outer size (frame and title bar included) at a size in
// twips. The frame belongs to the window manager and is known only some time
// after the window is shown, so the inner size is set again each time the
// frame turns out different; a size the user drags is left alone.
class OuterSize : public QObject {
  Q_OBJECT
 public:
  OuterSize(QWidget* window, QSize twips);

  // Sets the inner size for the frame as it is known now.
  void Apply();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  QSize outer_;
  QSize frame_{-1, -1};  // the frame the size was last set for
};

}  // namespace folvane
