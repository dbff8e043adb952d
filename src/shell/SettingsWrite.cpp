#include "SettingsWrite.h"

#include <QLineEdit>
#include <QVariant>
#include <QWidget>

namespace folvane {
namespace {
const char* kTag = "Tag";
const QString kUpdate = QStringLiteral("UPDATE");
}  // namespace

bool WriteSetting(App& app, const QString& section, const QString& key, const QString& value) {
  const QString path = app.ini.IniFilePath();
  if (app.platform.profile.WritePrivateProfileStringA(section, key, value, path)) return true;
  app.platform.ui.MsgBox(
      QStringLiteral("設定ファイル「%1」に書き込めません。設定は保存されていません。").arg(path),
      platform::MsgIcon::Critical);
  return false;
}

bool SaveRequiredText(App& app, const QLineEdit* box, const QString& section, const QString& key,
                      const QString& emptyMessage) {
  if (IsMarked(box) && !WriteSetting(app, section, key, box->text())) return false;
  if (!box->text().isEmpty()) return true;
  app.platform.ui.MsgBox(emptyMessage);
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
