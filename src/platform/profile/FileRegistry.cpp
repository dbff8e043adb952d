#include "FileRegistry.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace folvane::platform {
namespace {

// Written aside and renamed into place, so the file is whole or as it was.
// Not synced to disk: an output name is rewritten before every print, and
// a sync per document would cost more than the value is worth.
bool save(const QString& path, const QJsonObject& root) {
  const QString temp =
      path + QStringLiteral(".new-") + QString::number(QCoreApplication::applicationPid());
  QFile file(temp);
  const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
  const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                       file.write(bytes) == bytes.size() && file.flush();
  file.close();
  if (written &&
      std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) == 0)
    return true;
  QFile::remove(temp);
  return false;
}

// The stored spelling of a key path, matched without regard to letter case.
QString findKey(const QJsonObject& root, const QString& keyPath) {
  for (auto it = root.begin(); it != root.end(); ++it)
    if (it.key().compare(keyPath, Qt::CaseInsensitive) == 0) return it.key();
  return {};
}

QString normalised(QString subKey) {
  while (subKey.startsWith(u'\\')) subKey.remove(0, 1);
  while (subKey.endsWith(u'\\')) subKey.chop(1);
  return subKey;
}

}  // namespace

// {"<key path>": {"<value name>": {"type": n, "data": "<base64>"}}}
std::optional<QJsonObject> FileRegistry::load() {
  QFile file(path_);
  if (!file.exists()) return QJsonObject();
  // A file that cannot be opened now (no descriptors left, no access) may be
  // whole: only one that was read and is no registry is set aside.
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
  if (doc.isObject()) return doc.object();
  file.close();
  // Refusing every write from now on would stop the PDF printer's output
  // name for good; overwriting would lose what the file still holds.
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString aside = path_ + QStringLiteral(".damaged-") + stamp;
  for (int n = 2; QFile::exists(aside); ++n)
    aside = path_ + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
  if (!QFile::rename(path_, aside)) return std::nullopt;
  if (tell_)
    tell_(QStringLiteral("レジストリファイル「%1」が読めなかったため「%2」として残し、"
                         "新しいファイルで続けます。")
              .arg(path_, aside));
  return QJsonObject();
}

long FileRegistry::RegCreateKeyExA(HKEY key, const QString& subKey, uint32_t, const QString&,
                                   uint32_t, uint32_t, const void*, HKEY* result,
                                   uint32_t* disposition) {
  QString base;
  if (key != HKEY_CURRENT_USER) {
    if (!open_.contains(key)) return ERROR_INVALID_HANDLE;
    base = open_.value(key) + u'\\';
  }
  const QString keyPath = normalised(base + subKey);
  auto root = load();
  if (!root) return ERROR_ACCESS_DENIED;
  QString stored = findKey(*root, keyPath);
  const bool created = stored.isEmpty();
  if (created) {
    stored = keyPath;
    root->insert(stored, QJsonObject());
    if (!save(path_, *root)) return ERROR_WRITE_FAULT;
  }
  const HKEY handle = next_++;
  open_.insert(handle, stored);
  if (result) *result = handle;
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

long FileRegistry::RegSetValueExA(HKEY key, const QString& valueName, uint32_t, uint32_t type,
                                  std::span<const char> data) {
  if (!open_.contains(key)) return ERROR_INVALID_HANDLE;
  auto root = load();
  if (!root) return ERROR_ACCESS_DENIED;
  QString stored = findKey(*root, open_.value(key));
  if (stored.isEmpty()) stored = open_.value(key);  // removed meanwhile: create it again
  QJsonObject values = root->value(stored).toObject();
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (it.key().compare(valueName, Qt::CaseInsensitive) == 0) {
      values.erase(it);
      break;
    }
  }
  const QByteArray bytes(data.data(), qsizetype(data.size()));
  values.insert(valueName, QJsonObject{{"type", qint64(type)},
                                       {"data", QString::fromLatin1(bytes.toBase64())}});
  root->insert(stored, values);
  return save(path_, *root) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

long FileRegistry::RegCloseKey(HKEY key) {
  return open_.remove(key) > 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::optional<QByteArray> FileRegistry::ReadValue(const QString& subKey, const QString& valueName) {
  const auto root = load();
  if (!root) return std::nullopt;
  const QString stored = findKey(*root, normalised(subKey));
  if (stored.isEmpty()) return std::nullopt;
  const QJsonObject values = root->value(stored).toObject();
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (it.key().compare(valueName, Qt::CaseInsensitive) == 0)
      return QByteArray::fromBase64(it.value().toObject().value("data").toString().toLatin1());
  }
  return std::nullopt;
}

}  // namespace folvane::platform
