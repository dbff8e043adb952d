#include "SingleInstance.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QWidget>
#include <vector>

namespace folvane::platform {
namespace {
const QByteArray kHello = QByteArrayLiteral("forward\n");
const QByteArray kAnswer = QByteArrayLiteral("ok\n");
constexpr int kWaitMs = 3000;
}  // namespace

SingleInstance::SingleInstance(QString socketPath) : path_(std::move(socketPath)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::askRunning() {
  QLocalSocket socket;
  socket.connectToServer(path_);
  // A socket that a killed instance left refuses; a live one accepts even
  // while it is busy with a job, and comes forward when the job is done.
  if (!socket.waitForConnected(kWaitMs)) return false;
  socket.write(kHello);
  socket.waitForBytesWritten(kWaitMs);
  socket.waitForReadyRead(kWaitMs);
  return true;
}

bool SingleInstance::Claim() {
  // Two starts at the same moment must not both find nobody and both listen.
  QLockFile lock(path_ + QStringLiteral(".lock"));
  // Another start holds the lock: its socket is never taken from it.
  if (!lock.tryLock(kWaitMs)) return !askRunning();
  if (askRunning()) return false;
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(path_);
  // Without the socket this instance still runs, as it did before.
  if (!server_->listen(path_)) return true;
  connect(server_.get(), &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      client->write(kAnswer);
      client->flush();
      emit Reached();
    }
  });
  return true;
}

bool SingleInstance::Listening() const {
  return server_ && server_->isListening();
}

void SingleInstance::BringForward(QWidget& window) {
  std::vector<QWidget*> order{&window};
  // A modal window in front must end on top, or the user faces a blocked one.
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != &window) order.push_back(modal);
  for (QWidget* w : order) {
    w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
  }
  order.back()->activateWindow();
}

}  // namespace folvane::platform
