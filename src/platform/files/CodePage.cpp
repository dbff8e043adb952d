#include "CodePage.h"

#include <errno.h>
#include <iconv.h>
#include <langinfo.h>

#include <QStringDecoder>

namespace folvane::platform {
namespace {

// One iconv conversion; nullopt on an invalid or unconvertible sequence.
std::optional<QByteArray> convert(const char* to, const char* from, QByteArrayView in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  QByteArray out(in.size() * 4 + 16, Qt::Uninitialized);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = static_cast<size_t>(in.size());
  char* dst = out.data();
  size_t dstLeft = static_cast<size_t>(out.size());
  bool ok = true;
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) {
      const qsizetype used = dst - out.data();
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = static_cast<size_t>(out.size() - used);
      continue;
    }
    ok = false;  // EILSEQ or EINVAL (cut sequence)
    break;
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.truncate(dst - out.data());
  return out;
}

}  // namespace

CodePage::CodePage(QByteArray charset) : charset_(std::move(charset)) {}

CodePage CodePage::System() {
  const QByteArray codeset = nl_langinfo(CODESET);
  if (codeset.isEmpty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII" ||
      codeset == "US-ASCII")
    return CodePage("UTF-8");
  return CodePage(codeset);
}

bool CodePage::isUtf8() const {
  return charset_.compare("UTF-8", Qt::CaseInsensitive) == 0 ||
         charset_.compare("UTF8", Qt::CaseInsensitive) == 0;
}

std::optional<QByteArray> CodePage::encode(QStringView text) const {
  const QByteArray utf8 = text.toUtf8();
  if (isUtf8()) {
    // toUtf8 turns lone surrogates into '?': that is not the text given.
    if (QString::fromUtf8(utf8) != text) return std::nullopt;
    return utf8;
  }
  return convert(charset_.constData(), "UTF-8", utf8);
}

QByteArray CodePage::encodeFitting(QStringView text, qsizetype limit) const {
  if (limit <= 0) return {};
  if (auto whole = encode(text); whole && whole->size() <= limit) return *whole;
  QByteArray out;
  qsizetype i = 0;
  while (i < text.size()) {
    const qsizetype step = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
    const QByteArray one = encode(text.mid(i, step)).value_or(QByteArray("?"));
    if (out.size() + one.size() > limit) break;
    out += one;
    i += step;
  }
  return out;
}

std::optional<QString> CodePage::decodeStrict(QByteArrayView bytes) const {
  if (isUtf8()) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
  }
  const auto utf8 = convert("UTF-8", charset_.constData(), bytes);
  if (!utf8) return std::nullopt;
  return QString::fromUtf8(*utf8);
}

QString CodePage::decode(QByteArrayView bytes) const {
  if (auto text = decodeStrict(bytes)) return *text;
  if (auto text = CodePage(kCp932).decodeStrict(bytes)) return *text;
  if (isUtf8()) return QString::fromUtf8(bytes);
  // Lossy: decode what is valid, one byte at a time where it is not.
  QString out;
  qsizetype i = 0;
  while (i < bytes.size()) {
    bool done = false;
    for (qsizetype len = 1; len <= 4 && i + len <= bytes.size(); ++len) {
      if (auto part = decodeStrict(bytes.sliced(i, len))) {
        out += *part;
        i += len;
        done = true;
        break;
      }
    }
    if (!done) {
      out += QChar(QChar::ReplacementCharacter);
      ++i;
    }
  }
  return out;
}

}  // namespace folvane::platform
