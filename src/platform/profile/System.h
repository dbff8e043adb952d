#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace folvane::platform {

inline constexpr uint32_t HWND_BROADCAST = 0xFFFF;
inline constexpr uint32_t WM_WININICHANGE = 0x001A;

// Odds and ends of the Windows API that the printer switch calls.
class System {
 public:
  virtual ~System() = default;

  // Sends a message; `lParam` is a text or null. Nothing on Linux listens to
  // the settings-change broadcast.
  virtual intptr_t SendMessageA(uint32_t hwnd, uint32_t msg, uintptr_t wParam,
                                const std::optional<QByteArray>& lParam) = 0;

  // The Windows version word; the top bit is clear on the NT family.
  virtual uint32_t GetVersion() = 0;
};

class LinuxSystem final : public System {
 public:
  intptr_t SendMessageA(uint32_t, uint32_t, uintptr_t, const std::optional<QByteArray>&) override {
    return 0;
  }
  // Reports an NT-family system (6.2, build 9200).
  uint32_t GetVersion() override { return 0x23F00206u; }
};

}  // namespace folvane::platform
