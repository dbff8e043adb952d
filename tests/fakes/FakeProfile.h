#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include "platform/profile/Profile.h"

namespace folvane::fakes {

// An in-memory profile store: files are maps of sections to ordered keys.
// Records every call; fails writes on demand.
class FakeProfile final : public platform::Profile {
 public:
  struct Call {
    // "Get", "Write", "Delete", "DeleteSection", "GetWinIni", "WriteWinIni",
    // "DeleteWinIni", "DeleteWinIniSection"
    QString function;
    QString section;
    QString key;
    QString value;  // value written, or default given
    qsizetype bufferSize = 0;
    QString path;
  };

  QList<Call> calls;
  bool failWrites = false;

  void set(const QString& path, const QString& section, const QString& key, const QString& value);
  void remove(const QString& path, const QString& section, const QString& key);
  std::optional<QString> get(const QString& path, const QString& section, const QString& key) const;
  // "section/key" of a file in the order the keys were first written.
  QStringList keyOrder(const QString& path) const;
  bool hasFile(const QString& path) const { return files_.contains(path); }

  uint32_t GetPrivateProfileStringA(const QString& section, const std::optional<QString>& key,
                                    const QString& defaultValue, std::span<char> buffer,
                                    const QString& path) override;
  bool WritePrivateProfileStringA(const QString& section, const std::optional<QString>& key,
                                  const std::optional<QString>& value,
                                  const QString& path) override;
  uint32_t GetProfileStringA(const QString& section, const std::optional<QString>& key,
                             const QString& defaultValue, std::span<char> buffer) override;
  bool WriteProfileStringA(const QString& section, const std::optional<QString>& key,
                           const std::optional<QString>& value) override;
  const platform::CodePage& codePage() const override { return codePage_; }

  static inline const QString kWinIni = QStringLiteral("<win.ini>");

 private:
  uint32_t read(const QString& path, const QString& section, const std::optional<QString>& key,
                const QString& def, std::span<char> buffer);
  void write(const QString& path, const QString& section, const std::optional<QString>& key,
             const std::optional<QString>& value);
  void removeSection(const QString& path, const QString& section);

  struct Entry {
    QString section;
    QString key;
    QString value;
  };
  QMap<QString, QList<Entry>> files_;
  platform::CodePage codePage_{"UTF-8"};
};

}  // namespace folvane::fakes
