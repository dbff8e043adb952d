#pragma once

#include <QStringList>

#include "DesktopNotifier.h"
#include "Ui.h"

class QCoreApplication;

namespace folvane::platform {

// Message boxes and the event pump on Qt Widgets.
class QtUi final : public Ui {
 public:
  void DoEvents() override;
  void Beep() override;
  void Notify(const QString& text, std::function<void()> onClick) override {
    notifier_.Send(text, std::move(onClick));
  }
  std::optional<QString> OpenFileDialog(const QString& filter, int filterIndex,
                                        const QString& fileName) override;

 protected:
  void showMessage(const QString& text, MsgIcon icon, const QString& title) override;

 private:
  DesktopNotifier notifier_;
};

// Qt's name filters for a filter written as description|pattern pairs. Each
// is the description followed by Qt's patterns in parentheses, which the
// dialog hides, so the user sees the description as written. "*.*" matches
// every file, names without a dot too, as the Windows dialog does.
QStringList QtNameFilters(const QString& filter);

// Loads Qt's own translations from the system's translation folder, so that
// standard dialogs and buttons speak the language of the windows: the
// locale's when it is Japanese, and Japanese otherwise, since every other
// text of the program is Japanese. False when none could be loaded.
bool LoadQtTranslations(QCoreApplication& app);

}  // namespace folvane::platform
