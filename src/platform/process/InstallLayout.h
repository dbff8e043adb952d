#pragma once

#include <QString>

namespace folvane::platform {

// Where the program's parts are, seen from the executable, so the build
// folder and an installed copy (bin/ beside libexec/folvane/) work alike.
namespace InstallLayout {

// The office helper: beside the executable (the build folder), else in the
// private helper folder of an installed copy. When neither holds an
// executable file, the path beside the executable, so a failure names it.
QString OfficeHelperPath(const QString& executablePath);

// An installed copy: its helper is in the private helper folder, not
// beside it (the build folder, or a copy carried about with its helper).
bool IsInstalled(const QString& executablePath);

// ${XDG_CONFIG_HOME:-$HOME/.config}/folvane. A relative XDG_CONFIG_HOME is
// ignored, as the XDG rules say.
QString PerUserSettingsFolder(const QString& xdgConfigHome, const QString& home);

}  // namespace InstallLayout
}  // namespace folvane::platform
