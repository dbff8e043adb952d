#pragma once

#include <QProcess>
#include <QString>

namespace folvane::fakes {

// A session bus of a test's own, made this process's session bus: start it
// before the first use of the session bus in the process.
class PrivateBus {
 public:
  // The bus's address; empty when dbus-daemon could not be started.
  QString Start() {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {"--session", "--nofork", "--nopidfile", "--print-address"});
    if (!daemon_.waitForStarted() || !daemon_.waitForReadyRead(10000)) return {};
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    if (!address_.isEmpty()) qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
    return address_;
  }
  ~PrivateBus() {
    daemon_.kill();
    daemon_.waitForFinished();
  }
  const QString& address() const { return address_; }

 private:
  QProcess daemon_;
  QString address_;
};

}  // namespace folvane::fakes
