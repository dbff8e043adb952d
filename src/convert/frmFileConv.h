#pragma once

#include <QDialog>

#include "widgets/App.h"

class QLabel;
class QLineEdit;
class QToolButton;

namespace folvane {

class ClickableImage;

// Converts one hand-picked file: the PDF printer's output name is set in the
// chosen destination directory, and a TIF image goes to the image page,
// inside the printer switch. The window stays open for the next file.
class frmFileConv : public QDialog {
  Q_OBJECT
 public:
  explicit frmFileConv(App& app);

  QLineEdit* txtSrcFile = nullptr;
  QLineEdit* txtDestDir = nullptr;
  ClickableImage* SrcFile = nullptr;
  ClickableImage* ConvDir = nullptr;
  QToolButton* cmdExec = nullptr;
  QToolButton* cmdQuit = nullptr;

  // The bare name of the file chosen in the selection window.
  QString strSelFile;

 private:
  void SrcFile_Click();
  void ConvDir_Click();
  void cmdExec_Click();

  App& app_;
};

}  // namespace folvane
