#pragma once

#include <QPoint>
#include <functional>

class QDialog;
class QLineEdit;
class QPushButton;

namespace folvane {

// The three buttons every settings window has: OK (default), Cancel (Esc)
// and Apply, disabled until something changes.
struct SettingsButtons {
  QPushButton* ok;
  QPushButton* cancel;
  QPushButton* apply;
};

// Places the buttons (left, top in twips; 1215 x 315 each).
SettingsButtons MakeSettingsButtons(QDialog* window, QPoint ok, QPoint cancel, QPoint apply);

// Apply saves, then disables itself; OK saves while Apply is enabled, then
// closes in every case; Cancel closes without writing. `leaving` runs first
// on OK and Apply: pressed by Enter or an access key, they take no focus,
// and a control that marks itself on losing the focus must still count as left.
void ConnectSettingsButtons(QDialog* window, const SettingsButtons& buttons,
                            std::function<void()> save, std::function<void()> leaving = {});

// Every change of the box's text enables Apply and marks the box.
void TrackChanges(QLineEdit* box, QPushButton* apply);

}  // namespace folvane
