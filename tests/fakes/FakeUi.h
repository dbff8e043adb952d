#pragma once

#include <QList>
#include <functional>

#include "platform/Ui.h"

namespace folvane::fakes {

// Records message boxes instead of showing them; counts event pumps.
class FakeUi final : public platform::Ui {
 public:
  struct Message {
    QString text;
    platform::MsgIcon icon;
    QString title;
  };
  QList<Message> messages;
  int doEventsCount = 0;
  std::function<void()> onDoEvents;  // acts out what a user does meanwhile

  void DoEvents() override {
    ++doEventsCount;
    if (onDoEvents) onDoEvents();
  }

 protected:
  void showMessage(const QString& text, platform::MsgIcon icon, const QString& title) override {
    messages.append({text, icon, title});
  }
};

}  // namespace folvane::fakes
