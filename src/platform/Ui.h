#pragma once

#include <QString>
#include <optional>

namespace folvane::platform {

enum class MsgIcon { None, Information, Warning, Critical };

inline const QString kAppTitle = QStringLiteral("Folvane");

// The few things of the window toolkit that logic and windows ask for and
// tests answer: modal message boxes and the "process pending events" step.
class Ui {
 public:
  virtual ~Ui() = default;

  // A modal message box with one OK button; returns when it is dismissed.
  void MsgBox(const QString& text, MsgIcon icon = MsgIcon::Information,
              const QString& title = kAppTitle) {
    showMessage(text, icon, title);
  }

  // Lets pending window events run once (repaints, clicks).
  virtual void DoEvents() = 0;

  // A short sound: a click that cannot be acted on now.
  virtual void Beep() = 0;

  // The common open-file dialog. `filter` is written as pairs of description
  // and pattern, "Text (*.txt)|*.txt|All (*.*)|*.*"; `filterIndex` counts
  // from 1. The chosen file need not exist. nullopt when cancelled.
  virtual std::optional<QString> OpenFileDialog(const QString& filter, int filterIndex,
                                                const QString& fileName) = 0;

 protected:
  virtual void showMessage(const QString& text, MsgIcon icon, const QString& title) = 0;
};

}  // namespace folvane::platform
