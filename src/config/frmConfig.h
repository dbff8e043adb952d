#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "widgets/App.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QPushButton;
class QTabBar;

namespace folvane {

struct SettingsButtons;

// The settings dialog of the batch conversion: three pages over a tab strip,
// change marks ("UPDATE" in a control's tag), and a save that writes each
// marked key and checks the required fields in a fixed order.
class frmConfig : public QDialog {
  Q_OBJECT
 public:
  explicit frmConfig(App& app);
  ~frmConfig() override;

  QTabBar* TabMain = nullptr;
  std::array<QFrame*, 3> fraTab{};
  QPushButton* cmdOk = nullptr;
  QPushButton* cmdCancel = nullptr;
  QPushButton* cmdApply = nullptr;
  QLineEdit* txtSourceDir = nullptr;
  QLineEdit* txtDestDir = nullptr;
  QLineEdit* txtLogFile = nullptr;
  QCheckBox* chkFlip = nullptr;
  QCheckBox* chkDelFlg = nullptr;
  QCheckBox* chkDupFlg = nullptr;
  QCheckBox* chkModern = nullptr;
  QCheckBox* chkLogFile = nullptr;
  QPushButton* cmdSrcDIr = nullptr;
  QPushButton* cmdDesDir = nullptr;
  QPushButton* cmdLogFile = nullptr;
  QComboBox* cmbPDFWriter = nullptr;

  static QString Tag(const QWidget* control);

  // Key handling of the whole dialog: Ctrl+Tab and Ctrl+Shift+Tab switch tabs.
  // `shift` is the bit set 1 Shift, 2 Ctrl, 4 Alt.
  void Form_KeyDown(int16_t keyCode, int16_t shift);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  void buildSourcePage(QFrame* page);
  void buildLogPage(QFrame* page);
  void buildWriterPage(QFrame* page);
  void connectControls(const SettingsButtons& buttons);
  void Form_Load();
  void TabMain_Click();
  void mark(QWidget* control);
  void cmbPDFWriter_LostFocus();
  void cmdSrcDIr_Click();
  void cmdDesDir_Click();
  void cmdLogFile_Click();
  void SaveSettings();
  void stop(const QString& message);

  App& app_;
  QString dlgCommonFileName_;  // the file dialog keeps its last name within one opening
};

}  // namespace folvane
