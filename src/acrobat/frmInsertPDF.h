#pragma once

#include <QDialog>

#include "widgets/App.h"

class QLineEdit;
class QPushButton;

namespace folvane {

class ClickableImage;

// The merge window: edits the folder whose PDFs are merged and the file the
// merged document is saved as.
class frmInsertPDF : public QDialog {
  Q_OBJECT
 public:
  explicit frmInsertPDF(App& app);

  QLineEdit* txtMargeDir = nullptr;
  QLineEdit* txtFileNm = nullptr;
  ClickableImage* imgSelDir = nullptr;
  ClickableImage* imgSaveFile = nullptr;
  QPushButton* cmdOk = nullptr;
  QPushButton* cmdCancel = nullptr;
  QPushButton* cmdApply = nullptr;

 private:
  void imgSelDir_Click();
  void imgSaveFile_Click();
  void SaveMergeSettings();

  App& app_;
  QString cdlSaveFileNmName_;  // the dialog shows its last name again within one opening
};

}  // namespace folvane
