#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace folvane::platform {

using HKEY = uint32_t;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;

inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_ACCESS_DENIED = 5;
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_WRITE_FAULT = 29;
inline constexpr long ERROR_INVALID_PARAMETER = 87;

inline constexpr uint32_t REG_OPTION_NON_VOLATILE = 0;
inline constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr uint32_t REG_OPENED_EXISTING_KEY = 2;

// The per-user registry (HKEY_CURRENT_USER only). Key paths match without
// regard to letter case; value data is kept as the exact bytes given.
class Registry {
 public:
  virtual ~Registry() = default;

  // Opens `subKey` under `key`, creating it when missing; the handle goes to
  // `result`, REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY to `disposition`
  // (either may be null). Returns ERROR_SUCCESS or an error code.
  virtual long RegCreateKeyExA(HKEY key, const QString& subKey, uint32_t reserved,
                               const QString& keyClass, uint32_t options, uint32_t samDesired,
                               const void* securityAttributes, HKEY* result,
                               uint32_t* disposition) = 0;

  // Stores `data` (its whole size, terminator included for REG_SZ) as the
  // value `valueName` of an open key, replacing what was there.
  virtual long RegSetValueExA(HKEY key, const QString& valueName, uint32_t reserved, uint32_t type,
                              std::span<const char> data) = 0;

  virtual long RegCloseKey(HKEY key) = 0;

  // The stored bytes of a value of a key under HKEY_CURRENT_USER.
  virtual std::optional<QByteArray> ReadValue(const QString& subKey, const QString& valueName) = 0;
};

}  // namespace folvane::platform
