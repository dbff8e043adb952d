#include "SettingsWindow.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "SettingsWrite.h"
#include "widgets/controls/Twips.h"

namespace folvane {

SettingsButtons MakeSettingsButtons(QDialog* window, QPoint ok, QPoint cancel, QPoint apply) {
  SettingsButtons b{new QPushButton(QStringLiteral("OK"), window),
                    new QPushButton(QStringLiteral("キャンセル"), window),
                    new QPushButton(QStringLiteral("適用(&A)"), window)};
  b.ok->setObjectName(QStringLiteral("cmdOk"));
  b.cancel->setObjectName(QStringLiteral("cmdCancel"));
  b.apply->setObjectName(QStringLiteral("cmdApply"));
  b.ok->setGeometry(TwRect(ok.x(), ok.y(), 1215, 315));
  b.cancel->setGeometry(TwRect(cancel.x(), cancel.y(), 1215, 315));
  b.apply->setGeometry(TwRect(apply.x(), apply.y(), 1215, 315));
  b.ok->setDefault(true);
  b.apply->setEnabled(false);
  return b;
}

void ConnectSettingsButtons(QDialog* window, const SettingsButtons& buttons,
                            std::function<void()> save, std::function<void()> leaving) {
  QPushButton* apply = buttons.apply;
  if (!leaving) leaving = [] {};
  QObject::connect(apply, &QPushButton::clicked, window, [apply, save, leaving] {
    leaving();
    save();
    apply->setEnabled(false);
  });
  QObject::connect(buttons.ok, &QPushButton::clicked, window, [window, apply, save, leaving] {
    leaving();
    if (apply->isEnabled()) save();
    window->accept();
  });
  QObject::connect(buttons.cancel, &QPushButton::clicked, window, &QDialog::reject);
}

void TrackChanges(QLineEdit* box, QPushButton* apply) {
  QObject::connect(box, &QLineEdit::textChanged, box, [box, apply] {
    apply->setEnabled(true);
    SetMark(box);
  });
}

}  // namespace folvane
