#pragma once

#include <QColor>
#include <QToolButton>

namespace folvane {

// A command button that shows a picture above its caption on a coloured
// face. Enter and Space press it when it has the focus.
class PictureButton : public QToolButton {
  Q_OBJECT
 public:
  PictureButton(const QString& caption, const QString& iconPath, const QColor& face,
                QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace folvane
