#pragma once

#include <QStringList>

#include "Ui.h"

namespace folvane::platform {

// Message boxes and the event pump on Qt Widgets.
class QtUi final : public Ui {
 public:
  void DoEvents() override;
  void Beep() override;
  std::optional<QString> OpenFileDialog(const QString& filter, int filterIndex,
                                        const QString& fileName) override;

 protected:
  void showMessage(const QString& text, MsgIcon icon, const QString& title) override;
};

// Qt's name filters for a filter written as description|pattern pairs.
QStringList QtNameFilters(const QString& filter);

}  // namespace folvane::platform
