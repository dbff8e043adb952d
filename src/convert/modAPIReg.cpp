#include "modAPIReg.h"

namespace folvane {

void SetPDFWriterFileName(platform::Platform& platform, const QString& path) {
  platform::HKEY key = 0;
  uint32_t disposition = 0;
  platform.registry.RegCreateKeyExA(platform::HKEY_CURRENT_USER, kPDFWriterKey, 0, QString(),
                                    platform::REG_OPTION_NON_VOLATILE, platform::KEY_ALL_ACCESS,
                                    nullptr, &key, &disposition);
  // Characters the code page lacks become '?', as the ANSI conversion does.
  const QByteArray bytes = platform.profile.codePage().encodeFitting(path, path.size() * 4 + 4);
  // QByteArray keeps a NUL after its data: size + 1 stores the terminator too.
  platform.registry.RegSetValueExA(key, kPDFFileNameValue, 0, platform::REG_SZ,
                                   std::span<const char>(bytes.constData(), bytes.size() + 1));
  platform.registry.RegCloseKey(key);
}

}  // namespace folvane
