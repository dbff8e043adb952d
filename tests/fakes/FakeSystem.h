#pragma once

#include <QList>

#include "platform/profile/System.h"

namespace folvane::fakes {

class FakeSystem final : public platform::System {
 public:
  struct Message {
    uint32_t hwnd;
    uint32_t msg;
    uintptr_t wParam;
    std::optional<QByteArray> lParam;
  };
  QList<Message> sent;
  uint32_t version = 0x23F00206u;  // NT family unless a test says otherwise

  intptr_t SendMessageA(uint32_t hwnd, uint32_t msg, uintptr_t wParam,
                        const std::optional<QByteArray>& lParam) override {
    sent.append({hwnd, msg, wParam, lParam});
    return 0;
  }
  uint32_t GetVersion() override { return version; }
};

}  // namespace folvane::fakes
