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

void FakeProfile::removeSection(const QString& path, const QString& section) {
  auto& entries = files_[path];
  entries.removeIf(
      [&](const Entry& e) { return e.section.compare(section, Qt::CaseInsensitive) == 0; });
}

uint32_t FakeProfile::read(const QString& path, const QString& section,
                           const std::optional<QString>& key, const QString& def,
                           std::span<char> buffer) {
  if (buffer.empty()) return 0;
  if (!key) {
    bool sectionFound = false;  // a section is there while it holds a key
    QByteArray names;
    for (const Entry& e : files_.value(path)) {
      if (e.section.compare(section, Qt::CaseInsensitive) != 0) continue;
      names += e.key.toUtf8() + '\0';
      sectionFound = true;
    }
    if (!sectionFound) names = codePage_.encodeFitting(def, qsizetype(buffer.size()) - 1);
    names = names.left(qsizetype(buffer.size()) - 1);
    std::memcpy(buffer.data(), names.constData(), size_t(names.size()));
    buffer[size_t(names.size())] = '\0';
    return uint32_t(names.size());
  }
  const QString value = get(path, section, *key).value_or(def);
  const QByteArray bytes =
      codePage_.encodeFitting(value, static_cast<qsizetype>(buffer.size()) - 1);
  std::memcpy(buffer.data(), bytes.constData(), static_cast<size_t>(bytes.size()));
  buffer[static_cast<size_t>(bytes.size())] = '\0';
  return static_cast<uint32_t>(bytes.size());
}

uint32_t FakeProfile::GetPrivateProfileStringA(const QString& section,
                                               const std::optional<QString>& key,
                                               const QString& defaultValue, std::span<char> buffer,
                                               const QString& path) {
  calls.append({QStringLiteral("Get"), section, key.value_or(QString()), defaultValue,
                qsizetype(buffer.size()), path});
  return read(path, section, key, defaultValue, buffer);
}

bool FakeProfile::WritePrivateProfileStringA(const QString& section,
                                             const std::optional<QString>& key,
                                             const std::optional<QString>& value,
                                             const QString& path) {
  calls.append({!key    ? QStringLiteral("DeleteSection")
                : value ? QStringLiteral("Write")
                        : QStringLiteral("Delete"),
                section, key.value_or(QString()), value.value_or(QString()), 0, path});
  if (failWrites) return false;
  write(path, section, key, value);
  return true;
}

void FakeProfile::write(const QString& path, const QString& section,
                        const std::optional<QString>& key, const std::optional<QString>& value) {
  if (!key)
    removeSection(path, section);
  else if (value)
    set(path, section, *key, *value);
  else
    remove(path, section, *key);
}

uint32_t FakeProfile::GetProfileStringA(const QString& section, const std::optional<QString>& key,
                                        const QString& defaultValue, std::span<char> buffer) {
  calls.append({QStringLiteral("GetWinIni"), section, key.value_or(QString()), defaultValue,
                qsizetype(buffer.size()), kWinIni});
  return read(kWinIni, section, key, defaultValue, buffer);
}

bool FakeProfile::WriteProfileStringA(const QString& section, const std::optional<QString>& key,
                                      const std::optional<QString>& value) {
  calls.append({!key    ? QStringLiteral("DeleteWinIniSection")
                : value ? QStringLiteral("WriteWinIni")
                        : QStringLiteral("DeleteWinIni"),
                section, key.value_or(QString()), value.value_or(QString()), 0, kWinIni});
  if (failWrites) return false;
  write(kWinIni, section, key, value);
  return true;
}

}  // namespace folvane::fakes
