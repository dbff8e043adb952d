#pragma once

#include <QLabel>

namespace folvane {

// A picture that acts on a click, with a tool tip.
class ClickableImage : public QLabel {
  Q_OBJECT
 public:
  ClickableImage(const QString& iconPath, const QString& toolTip, QWidget* parent);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace folvane
