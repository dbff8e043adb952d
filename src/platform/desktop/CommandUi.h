#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdio>

#include "Progress.h"
#include "Ui.h"

namespace folvane::platform {

// The toolkit's side for a command: messages go to standard error as lines,
// nothing is ever asked, and events still run (the engines answer through
// them).
class CommandUi final : public Ui {
 public:
  explicit CommandUi(std::FILE* err = stderr) : err_(err) {}
  void DoEvents() override;
  void Beep() override {}
  std::optional<QString> OpenFileDialog(const QString&, int, const QString&) override {
    return std::nullopt;
  }

 protected:
  void showMessage(const QString& text, MsgIcon icon, const QString& title) override;

 private:
  std::FILE* err_;
};

// A progress line on a terminal: file k of n, the file, the time gone and
// an estimate of the time left, rewritten in place. Nothing at all when the
// stream is no terminal (a pipe, a file, a scheduled job's mail).
class TerminalProgress final : public Progress {
 public:
  explicit TerminalProgress(std::FILE* err = stderr);
  void Working(const QString& item) override;
  void Show(qsizetype done, qsizetype total) override;
  // Clears the line (a message can be written then); the next Show draws it
  // again.
  void Hide() override;

 private:
  std::FILE* err_;
  bool terminal_;
  bool shown_ = false;
  qsizetype done_ = 0, total_ = 0;
  QString current_;
  QElapsedTimer clock_;
  void draw();
};

// m:ss, or h:mm:ss from an hour on.
QString ClockText(qint64 seconds);

}  // namespace folvane::platform
