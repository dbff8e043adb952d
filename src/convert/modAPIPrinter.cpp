#include "modAPIPrinter.h"

namespace folvane {

void SetDefaultPrinter(platform::Platform& platform, const QString& name, const QString& driver,
                       const QString& port) {
  const QString device = name + u',' + driver + u',' + port;
  platform.profile.WriteProfileStringA(QStringLiteral("windows"), QStringLiteral("device"), device);
  BroadcastWindowsIniChange(platform);
}

void BroadcastWindowsIniChange(platform::Platform& platform) {
  if (IsWinNT(platform))
    platform.system.SendMessageA(platform::HWND_BROADCAST, platform::WM_WININICHANGE, 0,
                                 std::nullopt);
  else
    platform.system.SendMessageA(platform::HWND_BROADCAST, platform::WM_WININICHANGE, 0,
                                 QByteArray("windows"));
}

bool IsWinNT(platform::Platform& platform) {
  return (platform.system.GetVersion() & 0x80000000u) == 0;
}

}  // namespace folvane
