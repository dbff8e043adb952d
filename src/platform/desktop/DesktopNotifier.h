#pragma once

#include <QHash>
#include <QObject>
#include <functional>

namespace folvane::platform {

// Desktop notifications through the freedesktop notification service on
// the session bus. Nothing happens without a bus or a service; nothing
// waits for either.
class DesktopNotifier : public QObject {
  Q_OBJECT
 public:
  // Shows `text`; clicking the notification calls `onClick`.
  void Send(const QString& text, std::function<void()> onClick);

 private slots:
  void onAction(uint id, const QString& action);
  void onClosed(uint id, uint reason);

 private:
  QHash<uint, std::function<void()>> waiting_;
  bool listening_ = false;
};

}  // namespace folvane::platform
