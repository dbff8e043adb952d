#include "frmFile.h"

#include <QLineEdit>
#include <QPushButton>

#include "FileSystemLists.h"
#include "widgets/controls/Twips.h"

namespace folvane {

frmFile::frmFile(App& app) : app_(app) {
  setObjectName(QStringLiteral("frmFile"));
  setWindowTitle(QStringLiteral("PDF File"));
  setFont(WindowFont());
  setFixedSize(Tw(5085), Tw(3990));
  platform::Platform& p = app.platform;

  DirList = new DirListBox(p.drives, p.ui, this);
  DirList->setObjectName(QStringLiteral("DirList"));
  DirList->setGeometry(TwRect(120, 120, 2655, 3600));
  DirList->setFont(UiFont(12, false));

  Drive = new DriveListBox(p.drives, this);
  Drive->setObjectName(QStringLiteral("Drive"));
  Drive->setGeometry(Tw(2880), Tw(120), Tw(2055), Drive->sizeHint().height());
  Drive->setFont(UiFont(12, true));

  cmdExec = new QPushButton(QStringLiteral("選   択"), this);
  cmdExec->setObjectName(QStringLiteral("cmdExec"));
  cmdExec->setGeometry(TwRect(2880, 600, 2055, 495));
  cmdExec->setFont(UiFont(12, true));

  cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel->setGeometry(TwRect(2880, 1440, 2055, 495));
  cmdCancel->setFont(UiFont(12, true));

  setTabOrder(Drive, DirList);
  setTabOrder(DirList, cmdExec);
  setTabOrder(cmdExec, cmdCancel);

  connect(Drive, &DriveListBox::Change, this, &frmFile::Drive_Change);
  connect(cmdExec, &QPushButton::clicked, this, &frmFile::cmdExec_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmFile::cmdCancel_Click);

  // Each opening starts at the process's current drive and directory.
  const QString current = p.drives.CurrentDirectory();
  Drive->setDrive(p.drives.DriveOf(current));
  if (!DirList->setPath(current)) DirList->setPath(Drive->drive());
  Drive->setFocus();
}

void frmFile::Drive_Change() {
  FollowDrive(app_.platform.drives, *Drive, *DirList);
}

void frmFile::cmdExec_Click() {
  const int16_t target = app_.DirSelectTarget;
  if (target >= 1 && target <= 5) {
    // Setting the text raises the box's change notification, as typing does.
    if (QLineEdit* box = app_.dirTargets[size_t(target)]) box->setText(DirList->path());
  }
  accept();
}

void frmFile::cmdCancel_Click() {
  reject();
}

}  // namespace folvane
