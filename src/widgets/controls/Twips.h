#pragma once

#include <QFont>
#include <QRect>
#include <QString>

namespace folvane {

// Places and sizes are kept in twips as designed; 15 twips make one pixel.
constexpr int Tw(int twips) {
  return (twips + 7) / 15;
}
inline QRect TwRect(int left, int top, int width, int height) {
  return QRect(Tw(left), Tw(top), Tw(width), Tw(height));
}

// The windows' font; main() maps the family onto an installed CJK font.
inline const QString kUiFontFamily = QStringLiteral("ＭＳ Ｐゴシック");
inline QFont UiFont(double points, bool bold) {
  QFont f(kUiFontFamily);
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

// The font of the windows themselves, for every control not given its own.
inline QFont WindowFont() {
  return UiFont(9, false);
}

}  // namespace folvane
