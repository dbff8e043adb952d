#pragma once

#include <QJsonObject>
#include <QMap>
#include <functional>

#include "Registry.h"

namespace folvane::platform {

// The registry kept in one JSON file, read at each call and replaced
// atomically at each change. A file that cannot be read as a registry is
// moved aside (kept, never deleted), a fresh one is started, and `tell`
// gets one message naming both files.
class FileRegistry final : public Registry {
 public:
  explicit FileRegistry(QString path, std::function<void(const QString&)> tell = {})
      : path_(std::move(path)), tell_(std::move(tell)) {}

  long RegCreateKeyExA(HKEY key, const QString& subKey, uint32_t reserved, const QString& keyClass,
                       uint32_t options, uint32_t samDesired, const void* securityAttributes,
                       HKEY* result, uint32_t* disposition) override;
  long RegSetValueExA(HKEY key, const QString& valueName, uint32_t reserved, uint32_t type,
                      std::span<const char> data) override;
  long RegCloseKey(HKEY key) override;
  std::optional<QByteArray> ReadValue(const QString& subKey, const QString& valueName) override;

 private:
  std::optional<QJsonObject> load();

  QString path_;
  std::function<void(const QString&)> tell_;
  QMap<HKEY, QString> open_;  // handle -> key path below HKEY_CURRENT_USER
  HKEY next_ = 0x100;
};

}  // namespace folvane::platform
