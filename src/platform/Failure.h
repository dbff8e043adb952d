#pragma once

#include <QString>
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

}  // namespace folvane::platform
