// Starts a helper process, registers its ending as an end hook, prints the
// helper's pid and ends the program through the platform. Writes the file
// given as argument 1 only if End() came back, which it must not.
// With "signal" as argument 2 it waits in the event loop for a signal
// instead, and its end hook writes argument 1 + ".hook".
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include "platform/process/LinuxProcess.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  folvane::platform::LinuxProcess process;
  auto* helper = new QProcess;
  helper->start(QStringLiteral("sleep"), {QStringLiteral("300")});
  if (!helper->waitForStarted()) return 2;
  process.AddEndHook(folvane::platform::EndStage::StopHelpers, [helper] {
    helper->kill();
    helper->waitForFinished();
  });
  const QString marker = app.arguments().value(1);
  if (app.arguments().value(2) == QStringLiteral("signal")) {
    process.EndOnSignals();
    process.AddEndHook(folvane::platform::EndStage::StopHelpers, [marker] {
      QFile hook(marker + QStringLiteral(".hook"));
      hook.open(QIODevice::WriteOnly);
    });
    QTextStream(stdout) << helper->processId() << Qt::endl;
    app.exec();
    QFile(marker).open(QIODevice::WriteOnly);
    return 3;
  }
  QTextStream(stdout) << helper->processId() << Qt::endl;
  process.End();
  QFile(marker).open(QIODevice::WriteOnly);
  return 3;
}
