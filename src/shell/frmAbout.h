#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace folvane {

// The About window: picture, product name, version, and OK.
class frmAbout : public QDialog {
  Q_OBJECT
 public:
  frmAbout();

  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QPushButton* cmdOK = nullptr;

 private:
  void cmdOK_Click();
};

}  // namespace folvane
