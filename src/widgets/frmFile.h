#pragma once

#include <QDialog>

#include "App.h"

class QPushButton;

namespace folvane {

class DirListBox;
class DriveListBox;

// The directory chooser: the user picks a directory, and confirming writes
// it into the text box that DirSelectTarget names. Nothing is kept between
// openings; it starts at the process's current drive and directory.
class frmFile : public QDialog {
  Q_OBJECT
 public:
  explicit frmFile(App& app);

  DirListBox* DirList = nullptr;
  DriveListBox* Drive = nullptr;
  QPushButton* cmdExec = nullptr;
  QPushButton* cmdCancel = nullptr;

 private:
  void Drive_Change();
  void cmdExec_Click();
  void cmdCancel_Click();

  App& app_;
};

}  // namespace folvane
