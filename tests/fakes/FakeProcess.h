#pragma once

#include <QMap>

#include "platform/Process.h"

namespace folvane::fakes {

class FakeProcess final : public platform::Process {
 public:
  QString executablePath = QStringLiteral("/opt/folvane/Folvane");
  QMap<QString, QString> environment;

  QString ExecutablePath() const override { return executablePath; }
  QString Environ(const QString& name) const override { return environment.value(name); }
};

}  // namespace folvane::fakes
