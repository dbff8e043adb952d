#pragma once

#include <QList>
#include <QMap>
#include <QStringList>

#include "platform/profile/Registry.h"

namespace folvane::fakes {

// Keeps values in memory; records every call in order.
class FakeRegistry final : public platform::Registry {
 public:
  struct SetCall {
    QString keyPath;
    QString valueName;
    uint32_t type = 0;
    QByteArray data;  // exactly the bytes given, size included
  };
  QStringList log;  // "Create <key path> access=<hex>", "Set <name>", "Close"
  QList<SetCall> sets;
  int openHandles = 0;

  long RegCreateKeyExA(platform::HKEY key, const QString& subKey, uint32_t, const QString&,
                       uint32_t options, uint32_t samDesired, const void*, platform::HKEY* result,
                       uint32_t* disposition) override {
    log << QStringLiteral("Create %1 root=%2 options=%3 access=%4")
               .arg(subKey)
               .arg(key, 0, 16)
               .arg(options)
               .arg(samDesired, 0, 16);
    const bool existed = keys_.contains(subKey.toLower());
    keys_.insert(subKey.toLower(), subKey);
    const platform::HKEY handle = next_++;
    handles_.insert(handle, subKey);
    ++openHandles;
    if (result) *result = handle;
    if (disposition)
      *disposition = existed ? platform::REG_OPENED_EXISTING_KEY : platform::REG_CREATED_NEW_KEY;
    return platform::ERROR_SUCCESS;
  }
  long RegSetValueExA(platform::HKEY key, const QString& valueName, uint32_t, uint32_t type,
                      std::span<const char> data) override {
    log << QStringLiteral("Set %1").arg(valueName);
    if (!handles_.contains(key)) return platform::ERROR_INVALID_HANDLE;
    const QByteArray bytes(data.data(), qsizetype(data.size()));
    sets.append({handles_.value(key), valueName, type, bytes});
    values_.insert(handles_.value(key).toLower() + u'|' + valueName.toLower(), bytes);
    return platform::ERROR_SUCCESS;
  }
  long RegCloseKey(platform::HKEY key) override {
    log << QStringLiteral("Close");
    if (handles_.remove(key) == 0) return platform::ERROR_INVALID_HANDLE;
    --openHandles;
    return platform::ERROR_SUCCESS;
  }
  std::optional<QByteArray> ReadValue(const QString& subKey, const QString& valueName) override {
    const QString k = subKey.toLower() + u'|' + valueName.toLower();
    if (!values_.contains(k)) return std::nullopt;
    return values_.value(k);
  }

 private:
  QMap<QString, QString> keys_;
  QMap<platform::HKEY, QString> handles_;
  QMap<QString, QByteArray> values_;
  platform::HKEY next_ = 0x100;
};

}  // namespace folvane::fakes
