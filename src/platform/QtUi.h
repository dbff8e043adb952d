#pragma once

#include "Ui.h"

namespace folvane::platform {

// Message boxes and the event pump on Qt Widgets.
class QtUi final : public Ui {
 public:
  void DoEvents() override;

 protected:
  void showMessage(const QString& text, MsgIcon icon, const QString& title) override;
};

}  // namespace folvane::platform
