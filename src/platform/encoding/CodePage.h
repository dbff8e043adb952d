#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace folvane::platform {

// The byte encoding of the INI files, the conversion log and registry strings
// (what Windows calls the ANSI code page). Stateless encodings only: UTF-8,
// CP932, EUC-JP and the like.
class CodePage {
 public:
  explicit CodePage(QByteArray charset);

  // The locale's character set. A plain ASCII locale (POSIX "C") counts as
  // UTF-8, as Qt itself treats file names there; otherwise no Japanese text
  // could be stored at all.
  static CodePage System();

  const QByteArray& name() const { return charset_; }
  bool isUtf8() const;

  // nullopt when some character has no encoding here.
  std::optional<QByteArray> encode(QStringView text) const;

  // Encodes as many whole characters as fit in `limit` bytes; a character
  // without an encoding becomes '?'. Never splits a multibyte character.
  QByteArray encodeFitting(QStringView text, qsizetype limit) const;

  // nullopt when the bytes are not valid in this code page.
  std::optional<QString> decodeStrict(QByteArrayView bytes) const;

  // Bytes read from a file: valid text in this code page, otherwise CP932
  // (files brought from a Japanese Windows machine), otherwise a lossy decode.
  QString decode(QByteArrayView bytes) const;

 private:
  QByteArray charset_;
};

inline constexpr const char* kCp932 = "CP932";

}  // namespace folvane::platform
