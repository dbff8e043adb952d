#pragma once

#include "platform/Platform.h"

namespace folvane {

// Makes a printer the default: win.ini [windows] "device" = name,driver,port,
// then the settings-change broadcast. Return codes are not looked at.
void SetDefaultPrinter(platform::Platform& platform, const QString& name, const QString& driver,
                       const QString& port);

// Tells every window that win.ini [windows] changed: a null lParam on the NT
// family, the text "windows" on the older family.
void BroadcastWindowsIniChange(platform::Platform& platform);

// True on the Windows NT family: the top bit of GetVersion is clear.
bool IsWinNT(platform::Platform& platform);

}  // namespace folvane
