#include "frmFileSel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "convert/frmFileConv.h"
#include "widgets/FileSystemLists.h"
#include "widgets/controls/Twips.h"

namespace folvane {

frmFileSel::frmFileSel(App& app, frmFileConv& conversion) : app_(app), conversion_(conversion) {
  setObjectName(QStringLiteral("frmFileSel"));
  setWindowTitle(QStringLiteral("変換ファイル選択"));
  setFont(WindowFont());
  setFixedSize(Tw(5040), Tw(4620));
  platform::Platform& p = app.platform;

  Drive = new DriveListBox(p.drives, this);
  Drive->setGeometry(TwRect(2880, 120, 2055, 360));
  DirList = new DirListBox(p.drives, p.ui, this);
  DirList->setGeometry(TwRect(120, 120, 2655, 2520));
  cmdExec = new QPushButton(QStringLiteral("選   択"), this);
  cmdExec->setGeometry(TwRect(2880, 600, 2055, 495));
  cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  cmdCancel->setGeometry(TwRect(2880, 1200, 2055, 495));
  filSel = new FileListBox(p.drives, this);
  filSel->setGeometry(TwRect(120, 3000, 4815, 1530));
  filSel->setPattern(QStringLiteral("*.tif;*.jpg"));
  auto* lblFile = new QLabel(QStringLiteral("ファイル一覧"), this);
  lblFile->setGeometry(TwRect(120, 2760, 4815, 255));
  for (QWidget* w : std::initializer_list<QWidget*>{Drive, DirList, filSel, lblFile})
    w->setFont(UiFont(12, false));
  for (QWidget* w : {cmdExec, cmdCancel}) w->setFont(UiFont(12, true));
  setTabOrder(Drive, DirList);
  setTabOrder(DirList, cmdExec);
  setTabOrder(cmdExec, cmdCancel);
  setTabOrder(cmdCancel, filSel);

  connect(Drive, &DriveListBox::Change, this,
          [this] { FollowDrive(app_.platform.drives, *Drive, *DirList); });
  connect(DirList, &DirListBox::Change, this, [this] { filSel->setPath(DirList->path()); });
  connect(cmdExec, &QPushButton::clicked, this, &frmFileSel::cmdExec_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

  // Nothing is set at open: the lists start at the current drive and directory.
  const QString current = p.drives.CurrentDirectory();
  Drive->setDrive(p.drives.DriveOf(current));
  if (!DirList->setPath(current)) DirList->setPath(Drive->drive());
  Drive->setFocus();
}

void frmFileSel::cmdExec_Click() {
  const QString name = filSel->fileName();
  if (name.isEmpty()) return;  // nothing chosen: the window stays open
  // At a root the path already ends with its separator; the doubled one is kept.
  conversion_.txtSrcFile->setText(DirList->path() + platform::kPathSep + name);
  conversion_.strSelFile = name;
  accept();
}

}  // namespace folvane
