#pragma once

#include <QMainWindow>
#include <functional>

#include "widgets/App.h"

class QAction;
class QMenu;
class QToolButton;

namespace folvane {

// Runs a job a button started; a failure inside it is shown in a message box
// (title "Folvane", the cause in words) and the program goes on.
void RunJob(platform::Ui& ui, const std::function<void()>& job);

// The main window: a strip of five picture buttons under a menu bar. Each
// button or menu entry runs one command to its end inside its handler.
class Folvane : public QMainWindow {
  Q_OBJECT
 public:
  explicit Folvane(App& app);

  // Start-up: loads the settings, resets the PDF printer's output name in
  // win.ini and puts the window at the top-left corner of the screen.
  void Form_Load();

  QToolButton* cmdIConv = nullptr;
  QToolButton* cmdMarge = nullptr;
  QToolButton* cmdPrint = nullptr;
  QToolButton* cmdQuit = nullptr;
  QToolButton* cmdConv = nullptr;

  QMenu* mnuFile = nullptr;
  QAction* mnuConv = nullptr;
  QAction* mnuMarge = nullptr;
  QAction* mnuPrint = nullptr;
  QAction* mnuBar = nullptr;
  QAction* mnuQuit = nullptr;
  QAction* mnuVer = nullptr;

 protected:
  // The close box ends the program like mnuQuit.
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void cmdIConv_Click();
  void cmdMarge_Click();
  void cmdPrint_Click();
  void cmdConv_Click();
  void mnuConv_Click();
  void mnuMarge_Click();
  void mnuPrint_Click();
  void mnuQuit_Click();
  void mnuVer_Click();

  void ResetPdfFileName();
  void applyOuterSize();
  // A job that took long and ended while the user looked elsewhere is told
  // on the desktop; `began` is the clock's reading at its start.
  void tellWhenLong(qint64 began, const QString& text);

  App& app_;
};

}  // namespace folvane
