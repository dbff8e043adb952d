#include "CommandUi.h"

#include <unistd.h>

#include <QCoreApplication>

namespace folvane::platform {

void CommandUi::DoEvents() {
  QCoreApplication::processEvents();
}

void CommandUi::showMessage(const QString& text, MsgIcon, const QString&) {
  std::fputs((text.trimmed() + u'\n').toUtf8().constData(), err_);
  std::fflush(err_);
}

TerminalProgress::TerminalProgress(std::FILE* err)
    : err_(err), terminal_(::isatty(::fileno(err)) == 1) {}

void TerminalProgress::Working(const QString& item) {
  current_ = item;
  draw();
}

void TerminalProgress::Show(qsizetype done, qsizetype total) {
  if (done == 0 || !clock_.isValid()) clock_.start();
  done_ = done;
  total_ = total;
  draw();
}

void TerminalProgress::draw() {
  if (!terminal_ || total_ == 0) return;
  const qint64 gone = clock_.elapsed() / 1000;
  QString line = QStringLiteral("%1/%2 件").arg(done_ + (done_ < total_ ? 1 : 0)).arg(total_);
  if (!current_.isEmpty()) line += QStringLiteral("  ") + current_;
  line += QStringLiteral("  経過 ") + ClockText(gone);
  if (done_ > 0 && done_ < total_)
    line += QStringLiteral("  残り約 ") + ClockText(gone * (total_ - done_) / done_);
  // Back to the start of the line, the new text, the rest of the old one cleared.
  std::fputs(("\r" + line + "\x1b[K").toUtf8().constData(), err_);
  std::fflush(err_);
  shown_ = true;
}

void TerminalProgress::Hide() {
  if (!shown_) return;
  std::fputs("\r\x1b[K", err_);
  std::fflush(err_);
  shown_ = false;
}

QString ClockText(qint64 seconds) {
  const auto two = [](qint64 n) { return QString::number(n).rightJustified(2, u'0'); };
  if (seconds >= 3600)
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(two(seconds / 60 % 60))
        .arg(two(seconds % 60));
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(two(seconds % 60));
}

}  // namespace folvane::platform
