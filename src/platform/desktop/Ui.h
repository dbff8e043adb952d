#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

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

  // A message of the platform's own, about no job in particular (a damaged
  // file set aside): shown at once, or, while notices are held (a job
  // runs), kept and shown when they are let go, each text once.
  void Notice(const QString& text, MsgIcon icon = MsgIcon::Warning) {
    if (holds_ == 0)
      MsgBox(text, icon);
    else if (!std::any_of(held_.begin(), held_.end(),
                          [&](const auto& n) { return n.first == text; }))
      held_.append({text, icon});
  }
  void HoldNotices() { ++holds_; }
  void ReleaseNotices() {
    if (holds_ > 0 && --holds_ > 0) return;
    for (const auto& [text, icon] : std::exchange(held_, {})) MsgBox(text, icon);
  }

  // Lets pending window events run once (repaints, clicks).
  virtual void DoEvents() = 0;

  // A short sound: a click that cannot be acted on now.
  virtual void Beep() = 0;
  // A desktop notification, for a user looking elsewhere; clicking it calls
  // `onClick`. Where there is no desktop to tell, nothing happens.
  virtual void Notify(const QString& text, std::function<void()> onClick) {
    (void)text;
    (void)onClick;
  }

  // The common open-file dialog. `filter` is written as pairs of description
  // and pattern, "Text (*.txt)|*.txt|All (*.*)|*.*"; `filterIndex` counts
  // from 1. The chosen file need not exist. nullopt when cancelled.
  virtual std::optional<QString> OpenFileDialog(const QString& filter, int filterIndex,
                                                const QString& fileName) = 0;

 protected:
  virtual void showMessage(const QString& text, MsgIcon icon, const QString& title) = 0;

 private:
  int holds_ = 0;
  QList<QPair<QString, MsgIcon>> held_;
};

}  // namespace folvane::platform
