#include <QApplication>
#include <QFont>

#include "platform/LinuxPlatform.h"
#include "platform/SystemFolder.h"
#include "settings/modIniFile.h"

int main(int argc, char* argv[]) {
  folvane::platform::SystemFolder::Prepare();
  QApplication app(argc, argv);
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"));

  folvane::platform::LinuxPlatform linux;
  folvane::modIniFile store(linux.platform());
  store.ReadIniFile();
  return 0;
}
