// Loads the settings the way Folvane does at start-up and prints the file it
// used, two fields and the office helper it would start, one per line.
// Given "SourceDir=<text>", first writes that key the way the settings
// dialog does.
#include <QCoreApplication>
#include <QTextStream>

#include "platform/LinuxPlatform.h"
#include "platform/process/InstallLayout.h"
#include "settings/modIniFile.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  folvane::platform::LinuxPlatform linux;
  folvane::platform::Platform& platform = linux.platform();
  folvane::modIniFile store(platform);
  const QString assignment = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  if (assignment.startsWith(u"SourceDir=") &&
      !platform.profile.WritePrivateProfileStringA(QStringLiteral("Source_Info"),
                                                   QStringLiteral("SourceDir"),
                                                   assignment.sliced(10), store.IniFilePath()))
    return 1;
  store.ReadIniFile();
  QTextStream out(stdout);
  out << store.IniFilePath() << '\n'
      << store.Settings.SourceDir << '\n'
      << (store.Settings.DestDup ? "on" : "off") << '\n'
      << folvane::platform::InstallLayout::OfficeHelperPath(platform.process.ExecutablePath())
      << '\n';
  return 0;
}
