#include "LinuxProfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstring>

#include "IniDocument.h"

namespace folvane::platform {
namespace {

std::optional<QByteArray> readFile(const QString& path) {
  QFile file(path);
  if (path.isEmpty() || QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
    return std::nullopt;
  return file.readAll();
}

QString withoutTrailingBlanks(QString s) {
  while (!s.isEmpty() && (s.back() == u' ' || s.back() == u'\t')) s.chop(1);
  return s;
}

}  // namespace

LinuxProfile::LinuxProfile(CodePage codePage, std::function<QString()> winIniPath)
    : codePage_(std::move(codePage)), winIniPath_(std::move(winIniPath)) {}

uint32_t LinuxProfile::GetPrivateProfileStringA(const QString& section,
                                                const std::optional<QString>& key,
                                                const QString& defaultValue, std::span<char> buffer,
                                                const QString& path) {
  if (buffer.empty()) return 0;
  const auto bytes = readFile(path);
  std::optional<QString> value;
  if (!key) {
    const auto names =
        bytes ? IniDocument::fromBytes(*bytes, codePage_).keys(section) : std::nullopt;
    if (names) return copyKeyNames(*names, buffer);
  } else if (bytes) {
    value = IniDocument::fromBytes(*bytes, codePage_).value(section, *key);
  }
  const QString text = value ? *value : withoutTrailingBlanks(defaultValue);
  const QByteArray out = codePage_.encodeFitting(text, static_cast<qsizetype>(buffer.size()) - 1);
  std::memcpy(buffer.data(), out.constData(), static_cast<size_t>(out.size()));
  buffer[static_cast<size_t>(out.size())] = '\0';
  return static_cast<uint32_t>(out.size());
}

uint32_t LinuxProfile::copyKeyNames(const QStringList& names, std::span<char> buffer) const {
  // Each name NUL-ended, the list ended by a second NUL; names that do not
  // fit whole are left out.
  size_t used = 0;
  for (const QString& name : names) {
    const QByteArray bytes = codePage_.encodeFitting(name, qsizetype(buffer.size()));
    if (used + size_t(bytes.size()) + 2 > buffer.size()) break;
    std::memcpy(buffer.data() + used, bytes.constData(), size_t(bytes.size()));
    used += size_t(bytes.size());
    buffer[used++] = '\0';
  }
  buffer[used] = '\0';
  return static_cast<uint32_t>(used);
}

bool LinuxProfile::WritePrivateProfileStringA(const QString& section,
                                              const std::optional<QString>& key,
                                              const std::optional<QString>& value,
                                              const QString& path) {
  if (path.isEmpty() || QFileInfo(path).isDir()) return false;
  QByteArray old;
  if (QFileInfo::exists(path)) {
    const auto bytes = readFile(path);
    if (!bytes) return false;  // unreadable: never replace what we could not read
    old = *bytes;
  }
  IniDocument doc = IniDocument::fromBytes(old, codePage_);
  if (!key) {
    // Removing what is not there changes nothing and is no failure.
    if (!doc.removeSection(section)) return true;
  } else if (!value) {
    if (!doc.removeKey(section, *key)) return true;
  } else if (!doc.setValue(section, *key, *value)) {
    return false;
  }
  const auto bytes = doc.toBytes();
  if (!bytes) return false;

  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(*bytes) != bytes->size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

uint32_t LinuxProfile::GetProfileStringA(const QString& section, const std::optional<QString>& key,
                                         const QString& defaultValue, std::span<char> buffer) {
  return GetPrivateProfileStringA(section, key, defaultValue, buffer, winIniPath_());
}

bool LinuxProfile::WriteProfileStringA(const QString& section, const std::optional<QString>& key,
                                       const std::optional<QString>& value) {
  return WritePrivateProfileStringA(section, key, value, winIniPath_());
}

}  // namespace folvane::platform
