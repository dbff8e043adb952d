#pragma once

#include <QString>

class QLineEdit;

#include "App.h"

namespace folvane {

// Writes one key of the settings file. When it cannot be written, says so,
// naming the file, and returns false: the save must stop there, since going
// on silently would tell the user the settings were saved.
bool WriteSetting(App& app, const QString& section, const QString& key, const QString& value);

// The save step of a required text box: its key is written when the box is
// marked, then an empty box stops the save with `emptyMessage` (written
// before checked, so an emptied field is stored empty). False: stop here.
bool SaveRequiredText(App& app, const QLineEdit* box, const QString& section, const QString& key,
                      const QString& emptyMessage);

// The change mark of the settings windows: "UPDATE" in the control's tag.
void SetMark(QWidget* control);
bool IsMarked(const QWidget* control);
QString Tag(const QWidget* control);

}  // namespace folvane
