#pragma once

#include <QString>
#include <QStringList>

class QLineEdit;

#include "App.h"

namespace folvane {

// One save of a settings window: writes keys one at a time, in order, and
// remembers which are already in the file. A key that cannot be written
// stops the save with a message naming the key, the reason and the keys
// written before it, since the file then holds part of the save.
class SettingsSave {
 public:
  explicit SettingsSave(App& app);

  // Writes one key; false (after the message): the save must stop here.
  bool Write(const QString& section, const QString& key, const QString& value);

  // The save step of a required text box: its key is written when the box is
  // marked, then an empty box stops the save with `emptyMessage` (written
  // before checked, so an emptied field is stored empty). False: stop here.
  bool RequiredText(const QLineEdit* box, const QString& section, const QString& key,
                    const QString& emptyMessage);

  const QStringList& written() const { return written_; }

 private:
  App& app_;
  QString path_;
  QStringList written_;
};

// The change mark of the settings windows: "UPDATE" in the control's tag.
void SetMark(QWidget* control);
bool IsMarked(const QWidget* control);
QString Tag(const QWidget* control);

}  // namespace folvane
