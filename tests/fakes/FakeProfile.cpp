#include "FakeProfile.h"

#include <cstring>

namespace folvane::fakes {

void FakeProfile::set(const QString& path, const QString& section, const QString& key,
                      const QString& value) {
  auto& entries = files_[path];
  for (Entry& e : entries) {
    if (e.section.compare(section, Qt::CaseInsensitive) == 0 &&
        e.key.compare(key, Qt::CaseInsensitive) == 0) {
      e.value = value;
      return;
    }
  }
  entries.append(Entry{section, key, value});
}

void FakeProfile::remove(const QString& path, const QString& section, const QString& key) {
  auto& entries = files_[path];
  for (qsizetype i = 0; i < entries.size(); ++i) {
    if (entries[i].section.compare(section, Qt::CaseInsensitive) == 0 &&
        entries[i].key.compare(key, Qt::CaseInsensitive) == 0) {
      entries.removeAt(i);
      return;
    }
  }
}

std::optional<QString> FakeProfile::get(const QString& path, const QString& section,
                                        const QString& key) const {
  for (const Entry& e : files_.value(path)) {
    if (e.section.compare(section, Qt::CaseInsensitive) == 0 &&
        e.key.compare(key, Qt::CaseInsensitive) == 0)
      return e.value;
  }
  return std::nullopt;
}

QStringList FakeProfile::keyOrder(const QString& path) const {
  QStringList out;
  for (const Entry& e : files_.value(path)) out << e.section + u'/' + e.key;
  return out;
}

uint32_t FakeProfile::read(const QString& path, const QString& section, const QString& key,
                           const QString& def, std::span<char> buffer) {
  if (buffer.empty()) return 0;
  const QString value = get(path, section, key).value_or(def);
  const QByteArray bytes =
      codePage_.encodeFitting(value, static_cast<qsizetype>(buffer.size()) - 1);
  std::memcpy(buffer.data(), bytes.constData(), static_cast<size_t>(bytes.size()));
  buffer[static_cast<size_t>(bytes.size())] = '\0';
  return static_cast<uint32_t>(bytes.size());
}

uint32_t FakeProfile::GetPrivateProfileStringA(const QString& section, const QString& key,
                                               const QString& defaultValue, std::span<char> buffer,
                                               const QString& path) {
  calls.append({QStringLiteral("Get"), section, key, defaultValue, qsizetype(buffer.size()), path});
  return read(path, section, key, defaultValue, buffer);
}

bool FakeProfile::WritePrivateProfileStringA(const QString& section, const QString& key,
                                             const std::optional<QString>& value,
                                             const QString& path) {
  calls.append({value ? QStringLiteral("Write") : QStringLiteral("Delete"), section, key,
                value.value_or(QString()), 0, path});
  if (failWrites) return false;
  if (value)
    set(path, section, key, *value);
  else
    remove(path, section, key);
  return true;
}

uint32_t FakeProfile::GetProfileStringA(const QString& section, const QString& key,
                                        const QString& defaultValue, std::span<char> buffer) {
  calls.append(
      {QStringLiteral("GetWinIni"), section, key, defaultValue, qsizetype(buffer.size()), kWinIni});
  return read(kWinIni, section, key, defaultValue, buffer);
}

bool FakeProfile::WriteProfileStringA(const QString& section, const QString& key,
                                      const std::optional<QString>& value) {
  calls.append({value ? QStringLiteral("WriteWinIni") : QStringLiteral("DeleteWinIni"), section,
                key, value.value_or(QString()), 0, kWinIni});
  if (failWrites) return false;
  if (value)
    set(kWinIni, section, key, *value);
  else
    remove(kWinIni, section, key);
  return true;
}

}  // namespace folvane::fakes
