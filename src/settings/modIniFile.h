#pragma once

#include <QString>
#include <optional>

#include "platform/Platform.h"

namespace folvane {

// The settings record: one field per key of the settings file, named after it.
struct SettingsRecord {
  QString SourceDir;
  bool SourceDel = false;
  QString DestDir;
  bool DestDup = false;
  bool chkFlip_flg = false;
  QString LogFile;
  bool LogFileEnable = false;
  QString MergeDir;
  QString MergeFileNm;
  QString PrintDir;
  QString PDFWriterName;
  QString UserName;
  QString PassWd;
  QString MailAdd;
  QString FullNm;
  QString ServerNm;
  // The batch also converts today's formats (.docx, .xlsx, ...); off when
  // the settings file has no such key.
  bool ModernFormats = false;
};

// The settings store: the settings file beside the executable and the one
// record every window and job reads. Only ReadIniFile fills the record.
class modIniFile {
 public:
  explicit modIniFile(platform::Platform& platform) : platform_(platform) {}

  SettingsRecord Settings;

  // Reloads all seventeen keys. A key that is missing or empty, or a flag that
  // reads as neither a number nor True/False, leaves its field as it was.
  void ReadIniFile();

  // Folder of the running executable + its name + ".INI", built anew at each
  // call so a renamed executable uses the file of its new name. Linux
  // executables carry no extension, so the whole name is the base name.
  // When that folder cannot be written (an installed program), the same
  // name in the per-user configuration folder, for reading and writing.
  QString IniFilePath() const;

 private:
  platform::Platform& platform_;
};

// The characters before the first NUL; the whole text when it has none.
QString StripNull(const QString& text);

// A flag's text as a boolean: True or False in any letter case, or a number
// (on when not zero). nullopt for anything else.
std::optional<bool> ParseFlag(const QString& text);

}  // namespace folvane
