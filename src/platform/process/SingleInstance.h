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

  // False when another instance answered: it has been asked to come forward
  // and this start should end. True when this start is to run; it then
  // listens, unless the socket cannot be made or another start that holds
  // the claim's lock does not answer (see Listening): the program runs all
  // the same, and a later start is not brought to it.
  bool Claim();
  bool Listening() const;

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
