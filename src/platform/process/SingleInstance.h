#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QWidget;

namespace folvane::platform {

// One running program per user: the first start listens on a local socket in
// the per-user system folder; a later start reaches it there and ends, and
// the first brings its window forward. Two instances would share the
// collecting file and the printer switch and spoil each other's files.
class SingleInstance final : public QObject {
  Q_OBJECT
 public:
  // `socketPath`: a path in a folder only this user can enter.
  explicit SingleInstance(QString socketPath);
  ~SingleInstance() override;

  // True for the first instance, which now listens. False when another one
  // answered; it has been asked to come forward and this start should end.
  bool Claim();

  // Raises `window`, or the modal window that stands in front of it.
  static void BringForward(QWidget& window);

 signals:
  // A later start reached this instance.
  void Reached();

 private:
  bool askRunning();
  QString path_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace folvane::platform
