#include "NativeNames.h"

#include <QFile>

namespace folvane::platform {

QByteArray NativeNames::PathOf(const QString& path) const {
  const auto it = names_.constFind(path);
  return it != names_.cend() ? *it : QFile::encodeName(path);
}

void NativeNames::ForgetFolder(const QString& folder) {
  for (auto it = names_.begin(); it != names_.end();) {
    if (it.key().startsWith(folder) && !QStringView(it.key()).mid(folder.size()).contains(u'/'))
      it = names_.erase(it);
    else
      ++it;
  }
}

}  // namespace folvane::platform
