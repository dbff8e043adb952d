#pragma once

#include <QList>
#include <functional>

#include "platform/desktop/Ui.h"

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
  int beeps = 0;
  std::function<void()> onDoEvents;  // acts out what a user does meanwhile

  // Answers of the file dialog, taken in turn; nullopt answers a cancel.
  QList<std::optional<QString>> fileAnswers;
  struct FileDialogCall {
    QString filter;
    int filterIndex;
    QString fileName;
  };
  QList<FileDialogCall> fileDialogs;
  std::optional<QString> OpenFileDialog(const QString& filter, int filterIndex,
                                        const QString& fileName) override {
    fileDialogs.append({filter, filterIndex, fileName});
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.takeFirst();
  }

  void Beep() override { ++beeps; }

  QStringList notices;  // desktop notifications sent
  std::function<void()> lastClick;
  void Notify(const QString& text, std::function<void()> onClick) override {
    notices << text;
    lastClick = std::move(onClick);
  }

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
