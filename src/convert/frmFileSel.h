#pragma once

#include <QDialog>

#include "widgets/App.h"

class QPushButton;

namespace folvane {

class DirListBox;
class DriveListBox;
class FileListBox;
class frmFileConv;

// Picks the image file the single-file conversion converts: choosing one
// fills that window's source box and strSelFile.
class frmFileSel : public QDialog {
  Q_OBJECT
 public:
  frmFileSel(App& app, frmFileConv& conversion);

  DriveListBox* Drive = nullptr;
  DirListBox* DirList = nullptr;
  FileListBox* filSel = nullptr;
  QPushButton* cmdExec = nullptr;
  QPushButton* cmdCancel = nullptr;

 private:
  void cmdExec_Click();

  App& app_;
  frmFileConv& conversion_;
};

}  // namespace folvane
