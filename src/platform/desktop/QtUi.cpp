#include "QtUi.h"

#include <QApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <cstring>
#include <utility>

namespace folvane::platform {

void QtUi::DoEvents() {
  QApplication::processEvents();
}

void QtUi::Beep() {
  QApplication::beep();
}

void QtUi::showMessage(const QString& text, MsgIcon icon, const QString& title) {
  QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
  switch (icon) {
    case MsgIcon::None:
      qtIcon = QMessageBox::NoIcon;
      break;
    case MsgIcon::Information:
      qtIcon = QMessageBox::Information;
      break;
    case MsgIcon::Warning:
      qtIcon = QMessageBox::Warning;
      break;
    case MsgIcon::Critical:
      qtIcon = QMessageBox::Critical;
      break;
  }
  QMessageBox box(qtIcon, title, text, QMessageBox::Ok);
  // A message met during a job gets the ordinary pointer, not the hourglass.
  const bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  if (busy) QApplication::restoreOverrideCursor();
}

}  // namespace folvane::platform

namespace folvane::platform {
namespace {

// What the installed Qt translation lacks: the file kinds the file dialog
// shows in its type column ("Folder" and the like, under Qt 6's context).
class MissingQtTexts final : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (std::strcmp(context, "QAbstractFileIconProvider") != 0) return {};
    static const std::pair<const char*, const char*> kTexts[] = {
        {"Folder", "フォルダー"},       {"File Folder", "ファイル フォルダー"},
        {"Drive", "ドライブ"},          {"File", "ファイル"},
        {"%1 File", "%1 ファイル"},     {"Alias", "エイリアス"},
        {"Shortcut", "ショートカット"}, {"Unknown", "不明"},
    };
    for (const auto& [english, japanese] : kTexts)
      if (std::strcmp(source, english) == 0) return QString::fromUtf8(japanese);
    return {};
  }
};

}  // namespace

QStringList QtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      if (pattern == u"*.*") pattern = QStringLiteral("*");
    }
    filters << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
  }
  return filters;
}

bool LoadQtTranslations(QCoreApplication& app) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  QLocale locale = QLocale::system();
  if (locale.language() != QLocale::Japanese) locale = QLocale(QLocale::Japanese, QLocale::Japan);
  auto* translator = new QTranslator(&app);
  if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder) ||
      !app.installTranslator(translator)) {
    delete translator;
    return false;
  }
  app.installTranslator(new MissingQtTexts(&app));
  return true;
}

std::optional<QString> QtUi::OpenFileDialog(const QString& filter, int filterIndex,
                                            const QString& fileName) {
  QFileDialog dialog;
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);  // a log file that does not exist yet is fine
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  const QStringList filters = QtNameFilters(filter);
  dialog.setNameFilters(filters);
  if (filterIndex >= 1 && filterIndex <= filters.size())
    dialog.selectNameFilter(filters[filterIndex - 1]);
  if (!fileName.isEmpty()) dialog.selectFile(fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

}  // namespace folvane::platform
