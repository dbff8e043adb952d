// Loads the settings the way Folvane does at start-up and prints the file it
// used and two fields, one per line.
#include <QCoreApplication>
#include <QTextStream>

#include "platform/LinuxPlatform.h"
#include "settings/modIniFile.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  folvane::platform::LinuxPlatform linux;
  folvane::modIniFile store(linux.platform());
  store.ReadIniFile();
  QTextStream out(stdout);
  out << store.IniFilePath() << '\n'
      << store.Settings.SourceDir << '\n'
      << (store.Settings.DestDup ? "on" : "off") << '\n';
  return 0;
}
