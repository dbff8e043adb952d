#pragma once

#include <QDialog>

#include "widgets/App.h"

class QLineEdit;
class QPushButton;

namespace folvane {

class ClickableImage;

// The batch print window: edits the folder whose PDFs are printed.
class frmPrintPDF : public QDialog {
  Q_OBJECT
 public:
  explicit frmPrintPDF(App& app);

  QLineEdit* txtPrintDir = nullptr;
  ClickableImage* imgSelDir = nullptr;
  QPushButton* cmdOk = nullptr;
  QPushButton* cmdCancel = nullptr;
  QPushButton* cmdApply = nullptr;

 private:
  void SavePrintSettings();

  App& app_;
};

}  // namespace folvane
