#pragma once

#include <QString>

#include "App.h"

namespace folvane {

// Writes one key of the settings file. When it cannot be written, says so,
// naming the file, and returns false: the save must stop there, since going
// on silently would tell the user the settings were saved.
bool WriteSetting(App& app, const QString& section, const QString& key, const QString& value);

// The change mark of the settings windows: "UPDATE" in the control's tag.
void SetMark(QWidget* control);
bool IsMarked(const QWidget* control);
QString Tag(const QWidget* control);

}  // namespace folvane
