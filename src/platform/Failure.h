#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

namespace folvane::platform {

// A job step that could not do its work, with the cause in words a user
// understands (Japanese). The main window shows it and the program goes on.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const QString& message)
      : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const { return message_; }

 private:
  QString message_;
};

// A message that lists items a line each after `head`: at most `shown` of
// them, then how many more, so a long list still fits a message box.
inline QString ListedMessage(const QString& head, const QStringList& items, qsizetype shown = 20) {
  QString text = head;
  for (qsizetype i = 0; i < items.size() && i < shown; ++i)
    text += QStringLiteral("\n・") + items[i];
  if (items.size() > shown) text += QStringLiteral("\n\nほか %1 件").arg(items.size() - shown);
  return text;
}

}  // namespace folvane::platform
