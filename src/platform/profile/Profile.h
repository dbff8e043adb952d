#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/encoding/CodePage.h"

namespace folvane::platform {

// The Windows profile (INI) functions. Texts are Unicode here and bytes of
// `codePage()` in the files; values come back as bytes, as the Windows "A"
// functions give them.
class Profile {
 public:
  virtual ~Profile() = default;

  // Copies the value of `key` in `section` of the file at `path` into
  // `buffer`, NUL-terminated and cut to buffer.size() - 1 bytes without
  // splitting a character, and returns the number of bytes copied without
  // the NUL. A missing file, section or key copies `defaultValue` (less its
  // trailing blanks) instead. Reading never creates the file. An empty
  // buffer gets nothing and 0 is returned. No key (NULL on Windows) copies
  // the section's key names instead, each ended by a NUL, and returns their
  // length without the final NUL (0 for a section without keys); a missing
  // section copies the default, as a missing key does.
  virtual uint32_t GetPrivateProfileStringA(const QString& section,
                                            const std::optional<QString>& key,
                                            const QString& defaultValue, std::span<char> buffer,
                                            const QString& path) = 0;

  // Sets `key` in `section` of the file at `path`: creates the file (not its
  // folder) and a missing section, keeps every other line, and replaces the
  // file atomically. No value (std::nullopt, a NULL string on Windows)
  // removes the key instead; no key removes the whole section. False when
  // nothing could be written.
  virtual bool WritePrivateProfileStringA(const QString& section, const std::optional<QString>& key,
                                          const std::optional<QString>& value,
                                          const QString& path) = 0;

  // The same two on the user's system profile, win.ini in the Windows folder.
  virtual uint32_t GetProfileStringA(const QString& section, const std::optional<QString>& key,
                                     const QString& defaultValue, std::span<char> buffer) = 0;
  virtual bool WriteProfileStringA(const QString& section, const std::optional<QString>& key,
                                   const std::optional<QString>& value) = 0;

  // The code page of the bytes in the buffers above.
  virtual const CodePage& codePage() const = 0;
};

}  // namespace folvane::platform
