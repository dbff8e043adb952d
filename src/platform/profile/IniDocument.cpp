#include "IniDocument.h"

namespace folvane::platform {
namespace {

// Windows trims ASCII blanks only; an ideographic space is part of a value.
bool isBlank(QChar c) {
  const char16_t u = c.unicode();
  return u == ' ' || u == '\t' || u == '\r' || u == '\n' || u == '\v' || u == '\f' || u == 0x1a;
}

QStringView trimmed(QStringView s) {
  qsizetype b = 0;
  qsizetype e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.sliced(b, e - b);
}

// Name of a section header line, or nullopt when the line is no header.
std::optional<QStringView> headerName(QStringView line) {
  const QStringView t = trimmed(line);
  if (!t.startsWith(u'[')) return std::nullopt;
  const qsizetype close = t.indexOf(u']');
  return trimmed(close < 0 ? t.sliced(1) : t.sliced(1, close - 1));
}

struct KeyLine {
  QStringView key;
  QStringView value;
};

std::optional<KeyLine> keyLine(QStringView line) {
  const QStringView t = trimmed(line);
  if (t.isEmpty() || t.startsWith(u';')) return std::nullopt;
  const qsizetype eq = t.indexOf(u'=');
  if (eq < 0) return std::nullopt;
  return KeyLine{trimmed(t.first(eq)), trimmed(t.sliced(eq + 1))};
}

bool hasLineBreak(QStringView s) {
  return s.contains(u'\n') || s.contains(u'\r') || s.contains(QChar(0));
}

}  // namespace

IniDocument IniDocument::fromBytes(const QByteArray& bytes, const CodePage& systemCodePage) {
  QByteArrayView body(bytes);
  const bool bom = body.startsWith("\xEF\xBB\xBF");
  if (bom) body = body.sliced(3);

  CodePage fileCodePage = bom ? CodePage("UTF-8") : systemCodePage;
  bool clean = fileCodePage.decodeStrict(body).has_value();
  if (!clean && CodePage(kCp932).decodeStrict(body)) {
    fileCodePage = CodePage(kCp932);
    clean = true;
  }

  IniDocument doc(systemCodePage, fileCodePage, clean);
  doc.bom_ = bom;
  qsizetype start = 0;
  while (start < body.size()) {
    qsizetype end = body.indexOf('\n', start);
    if (end < 0) end = body.size();
    QByteArrayView raw = body.sliced(start, end - start);
    if (raw.endsWith('\r')) raw.chop(1);
    const QString text = fileCodePage.decodeStrict(raw).value_or(fileCodePage.decode(raw));
    doc.lines_.append(Line{raw.toByteArray(), text, false});
    start = end + 1;
  }
  return doc;
}

qsizetype IniDocument::findSection(QStringView section) const {
  const QStringView wanted = trimmed(section);
  for (qsizetype i = 0; i < lines_.size(); ++i) {
    const auto name = headerName(lines_[i].text);
    if (name && name->compare(wanted, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

std::optional<QString> IniDocument::value(QStringView section, QStringView key) const {
  const qsizetype header = findSection(section);
  if (header < 0) return std::nullopt;
  const QStringView wanted = trimmed(key);
  for (qsizetype i = header + 1; i < lines_.size(); ++i) {
    if (headerName(lines_[i].text)) break;
    const auto kv = keyLine(lines_[i].text);
    if (!kv || kv->key.compare(wanted, Qt::CaseInsensitive) != 0) continue;
    QStringView v = kv->value;
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
      v = v.sliced(1, v.size() - 2);
    return v.toString();
  }
  return std::nullopt;
}

bool IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
  if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value) || section.contains(u']') ||
      key.contains(u'=') || trimmed(key).isEmpty() || trimmed(key).startsWith(u';') ||
      trimmed(key).startsWith(u'['))
    return false;

  const qsizetype header = findSection(section);
  if (header < 0) {
    lines_.append(Line{{}, u'[' + section + u']', true});
    lines_.append(Line{{}, key + u'=' + value, true});
    return true;
  }
  const QStringView wanted = trimmed(key);
  qsizetype insertAt = header + 1;
  for (qsizetype i = header + 1; i < lines_.size(); ++i) {
    if (headerName(lines_[i].text)) break;
    const auto kv = keyLine(lines_[i].text);
    if (kv && kv->key.compare(wanted, Qt::CaseInsensitive) == 0) {
      lines_[i].text = kv->key.toString() + u'=' + value;  // the file's own spelling of the key
      lines_[i].changed = true;
      return true;
    }
    if (!trimmed(lines_[i].text).isEmpty()) insertAt = i + 1;
  }
  lines_.insert(insertAt, Line{{}, key + u'=' + value, true});
  return true;
}

bool IniDocument::removeKey(QStringView section, QStringView key) {
  const qsizetype header = findSection(section);
  if (header < 0) return false;
  const QStringView wanted = trimmed(key);
  for (qsizetype i = header + 1; i < lines_.size(); ++i) {
    if (headerName(lines_[i].text)) break;
    const auto kv = keyLine(lines_[i].text);
    if (kv && kv->key.compare(wanted, Qt::CaseInsensitive) == 0) {
      lines_.removeAt(i);
      return true;
    }
  }
  return false;
}

std::optional<QStringList> IniDocument::keys(QStringView section) const {
  const qsizetype header = findSection(section);
  if (header < 0) return std::nullopt;
  QStringList names;
  for (qsizetype i = header + 1; i < lines_.size() && !headerName(lines_[i].text); ++i)
    if (const auto kv = keyLine(lines_[i].text)) names << kv->key.toString();
  return names;
}

bool IniDocument::removeSection(QStringView section) {
  const qsizetype header = findSection(section);
  if (header < 0) return false;
  qsizetype end = header + 1;
  while (end < lines_.size() && !headerName(lines_[end].text)) ++end;
  lines_.remove(header, end - header);
  return true;
}

std::optional<QByteArray> IniDocument::encodeAll(const CodePage& codePage, bool changedOnly) const {
  QByteArray out;
  if (bom_) out += "\xEF\xBB\xBF";
  for (const Line& line : lines_) {
    if (changedOnly && !line.changed) {
      out += line.raw;
    } else {
      const auto bytes = codePage.encode(line.text);
      if (!bytes) return std::nullopt;
      out += *bytes;
    }
    out += "\r\n";
  }
  return out;
}

std::optional<QByteArray> IniDocument::toBytes() const {
  if (auto bytes = encodeAll(file_, true)) return bytes;
  // A new text the file's code page cannot hold (a CP932 file, a character
  // outside CP932): the whole file moves to the system code page.
  if (readCleanly_ && !bom_ && file_.name() != system_.name()) return encodeAll(system_, false);
  return std::nullopt;
}

}  // namespace folvane::platform
