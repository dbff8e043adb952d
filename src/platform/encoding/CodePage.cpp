#include "CodePage.h"

#include <langinfo.h>

#include <QStringDecoder>

#include "Iconv.h"

namespace folvane::platform {
namespace {

// One iconv conversion; nullopt on an invalid or unconvertible sequence.
std::optional<QByteArray> convert(const char* to, const char* from, QByteArrayView in) {
  const auto out = Iconv(to, from, std::string_view(in.data(), size_t(in.size())));
  if (!out) return std::nullopt;
  return QByteArray(out->data(), qsizetype(out->size()));
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
