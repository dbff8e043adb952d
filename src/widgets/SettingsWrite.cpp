#include "SettingsWrite.h"

#include <QLineEdit>
#include <QVariant>
#include <QWidget>

namespace folvane {
namespace {
const char* kTag = "Tag";
const QString kUpdate = QStringLiteral("UPDATE");

// Why a value cannot go into the file at all, or nothing when it can.
QString unstorable(const QString& value) {
  if (value.contains(u'\n') || value.contains(u'\r') || value.contains(QChar(0)))
    return QStringLiteral("改行を含む値は設定ファイルに保存できません。");
  const platform::CodePage codePage = platform::CodePage::System();
  if (!codePage.encode(value))
    return QStringLiteral("文字コード %1 で表せない文字を含む値は設定ファイルに保存できません。")
        .arg(QString::fromLatin1(codePage.name()));
  return {};
}

}  // namespace

SettingsSave::SettingsSave(App& app) : app_(app), path_(app.ini.IniFilePath()) {}

bool SettingsSave::Write(const QString& section, const QString& key, const QString& value) {
  if (app_.platform.profile.WritePrivateProfileStringA(section, key, value, path_)) {
    written_ << key;
    return true;
  }
  QString reason = unstorable(value);
  if (reason.isEmpty())
    reason = QStringLiteral(
        "ファイルまたはそのフォルダーに書き込む権限がないか、ファイルを読み取れません。");
  const QString done =
      written_.isEmpty()
          ? QStringLiteral("設定は保存されていません。")
          : QStringLiteral("それより前の %1 は書き込まれました。以降の設定は保存されていません。")
                .arg(written_.join(QStringLiteral("、")));
  app_.platform.ui.MsgBox(QStringLiteral("設定ファイル「%1」に [%2] %3 を書き込めません。\n%4\n%5")
                              .arg(path_, section, key, reason, done),
                          platform::MsgIcon::Critical);
  return false;
}

bool SettingsSave::RequiredText(const QLineEdit* box, const QString& section, const QString& key,
                                const QString& emptyMessage) {
  if (IsMarked(box) && !Write(section, key, box->text())) return false;
  if (!box->text().isEmpty()) return true;
  app_.platform.ui.MsgBox(emptyMessage);
  return false;
}

void SetMark(QWidget* control) {
  control->setProperty(kTag, kUpdate);
}
bool IsMarked(const QWidget* control) {
  return Tag(control) == kUpdate;
}
QString Tag(const QWidget* control) {
  return control->property(kTag).toString();
}

}  // namespace folvane
