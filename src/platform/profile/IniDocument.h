#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "platform/encoding/CodePage.h"

namespace folvane::platform {

// One profile (INI) file in memory, with the Windows profile rules: section
// and key names match without regard to letter case, only the first section
// of a name is searched, the first matching key wins, blanks around names and
// values are trimmed and one pair of enclosing quotes is dropped on reading.
// Writes change or add a single line; every other line keeps its bytes.
class IniDocument {
 public:
  // `systemCodePage` is the code page new text is written in. The file's own
  // bytes are read in it, or as CP932 when they are not valid in it; a file
  // found in CP932 is written back in CP932 so its other lines stay as they are.
  static IniDocument fromBytes(const QByteArray& bytes, const CodePage& systemCodePage);

  std::optional<QString> value(QStringView section, QStringView key) const;

  // Replaces the first matching key of the first matching section in place,
  // or appends the key to that section, or appends the section at the end.
  // False, with nothing changed, when a name or value would break the file's
  // structure (line breaks, NUL, '=' in a key, ']' in a section name).
  bool setValue(const QString& section, const QString& key, const QString& value);

  // Removes the first matching key of the first matching section. False when
  // there was no such key.
  bool removeKey(QStringView section, QStringView key);

  // The key names of the first matching section, in file order; nullopt when
  // there is no such section.
  std::optional<QStringList> keys(QStringView section) const;

  // Removes the first matching section, its header and every line up to the
  // next header. False when there was no such section.
  bool removeSection(QStringView section);

  // The file's bytes, every line ended by CR LF. nullopt when some text has
  // no encoding in the file's code page nor in the system's.
  std::optional<QByteArray> toBytes() const;

 private:
  struct Line {
    QByteArray raw;  // as read; empty for a new line
    QString text;    // decoded, without the line end
    bool changed = false;
  };

  explicit IniDocument(CodePage system, CodePage file, bool readCleanly)
      : system_(std::move(system)), file_(std::move(file)), readCleanly_(readCleanly) {}

  qsizetype findSection(QStringView section) const;
  std::optional<QByteArray> encodeAll(const CodePage& codePage, bool changedOnly) const;

  QList<Line> lines_;
  CodePage system_;
  CodePage file_;
  bool readCleanly_ = true;
  bool bom_ = false;
};

}  // namespace folvane::platform
