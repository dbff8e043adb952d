#include "modIniFile.h"

#include <QFileInfo>
#include <QLocale>
#include <array>
#include <cmath>
#include <variant>
#include <vector>

namespace folvane {
namespace {

constexpr uint32_t kBufferSize = 1024;

struct KeyField {
  const char16_t* section;
  const char16_t* key;
  std::variant<QString SettingsRecord::*, bool SettingsRecord::*> field;
};

// In the order ReadIniFile reads them.
const std::array<KeyField, 17> kKeys{{
    {u"Source_Info", u"SourceDir", &SettingsRecord::SourceDir},
    {u"Source_Info", u"SourceDel", &SettingsRecord::SourceDel},
    {u"Dest_Info", u"DestDir", &SettingsRecord::DestDir},
    {u"Dest_Info", u"DestDup", &SettingsRecord::DestDup},
    {u"PDF_Info", u"chkFlip_flg", &SettingsRecord::chkFlip_flg},
    {u"Log_Info", u"LogFile", &SettingsRecord::LogFile},
    {u"Log_Info", u"LogFileEnable", &SettingsRecord::LogFileEnable},
    {u"Merge_Info", u"MergeDir", &SettingsRecord::MergeDir},
    {u"Merge_Info", u"MergeFileNm", &SettingsRecord::MergeFileNm},
    {u"Print_Info", u"PrintDir", &SettingsRecord::PrintDir},
    {u"PDF_Info", u"PDFWriterName", &SettingsRecord::PDFWriterName},
    {u"Mail_Info", u"UserName", &SettingsRecord::UserName},
    {u"Mail_Info", u"PassWd", &SettingsRecord::PassWd},
    {u"Mail_Info", u"MailAdd", &SettingsRecord::MailAdd},
    {u"Mail_Info", u"FullNm", &SettingsRecord::FullNm},
    {u"Mail_Info", u"ServerNm", &SettingsRecord::ServerNm},
    {u"Source_Info", u"ModernFormats", &SettingsRecord::ModernFormats},
}};

}  // namespace

QString StripNull(const QString& text) {
  const qsizetype nul = text.indexOf(QChar(0));
  return nul < 0 ? text : text.left(nul);
}

std::optional<bool> ParseFlag(const QString& text) {
  const QString t = text.trimmed();
  if (t.compare(u"True", Qt::CaseInsensitive) == 0) return true;
  if (t.compare(u"False", Qt::CaseInsensitive) == 0) return false;
  bool ok = false;
  if (t.startsWith(u"&H", Qt::CaseInsensitive) || t.startsWith(u"&O", Qt::CaseInsensitive)) {
    const long long n = t.sliced(2).toLongLong(&ok, t[1].toUpper() == u'H' ? 16 : 8);
    if (ok) return n != 0;
    return std::nullopt;
  }
  const double n = QLocale::c().toDouble(t, &ok);
  if (ok && std::isfinite(n)) return n != 0.0;
  return std::nullopt;
}

QString modIniFile::IniFilePath() const {
  const QFileInfo exe(platform_.process.ExecutablePath());
  return platform_.process.SettingsFolder() + platform::kPathSep + exe.fileName() +
         QStringLiteral(".INI");
}

void modIniFile::ReadIniFile() {
  const QString path = IniFilePath();
  std::vector<char> buffer(kBufferSize);
  for (const KeyField& k : kKeys) {
    const uint32_t n = platform_.profile.GetPrivateProfileStringA(
        QString::fromUtf16(k.section), QString::fromUtf16(k.key), QString(), buffer, path);
    if (n == 0) continue;
    const QString value =
        StripNull(platform_.profile.codePage().decode(QByteArrayView(buffer.data(), qsizetype(n))));
    if (const auto text = std::get_if<QString SettingsRecord::*>(&k.field)) {
      Settings.*(*text) = value;
    } else if (const auto flag = ParseFlag(value)) {
      Settings.*std::get<bool SettingsRecord::*>(k.field) = *flag;
    }
  }
}

}  // namespace folvane
