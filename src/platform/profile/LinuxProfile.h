#pragma once

#include <functional>

#include <QStringList>

#include "Profile.h"

namespace folvane::platform {

// Profile functions on plain files. Each call reads the file afresh (other
// programs and hand edits are seen at once); each write replaces the file
// through a temporary file in the same folder, so a crash never leaves a
// half-written file behind.
class LinuxProfile final : public Profile {
 public:
  // `winIniPath` gives the path of win.ini at the moment of each call.
  LinuxProfile(CodePage codePage, std::function<QString()> winIniPath);

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
  const CodePage& codePage() const override { return codePage_; }

 private:
  uint32_t copyKeyNames(const QStringList& names, std::span<char> buffer) const;

  CodePage codePage_;
  std::function<QString()> winIniPath_;
};

}  // namespace folvane::platform
