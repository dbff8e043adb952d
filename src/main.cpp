#include <QApplication>
#include <QFont>
#include <QIcon>

#include "platform/LinuxPlatform.h"
#include "platform/desktop/QtUi.h"
#include "platform/process/SingleInstance.h"
#include "platform/profile/SystemFolder.h"
#include "settings/modIniFile.h"
#include "shell/Folvane.h"
#include "widgets/controls/Twips.h"

int main(int argc, char* argv[]) {
  // Before anything reads "windir".
  folvane::platform::SystemFolder::Prepare();
  QApplication app(argc, argv);
  // Docks match the window and its launcher progress to the desktop entry.
  QGuiApplication::setDesktopFileName(QStringLiteral("jp.folvane.Folvane"));
  // Every window's icon: the settings, merge and About windows and the
  // message boxes have none of their own.
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/folvane.svg")));
  folvane::platform::SingleInstance instance(folvane::platform::SystemFolder::Root() +
                                             QStringLiteral("/instance"));
  if (!instance.Claim()) return 0;  // the running one comes forward instead
  QFont::insertSubstitution(folvane::kUiFontFamily, QStringLiteral("Noto Sans CJK JP"));
  // Message boxes and file dialogs too, not only the windows of the program.
  QApplication::setFont(folvane::WindowFont());
  folvane::platform::LoadQtTranslations(app);

  folvane::platform::LinuxPlatform linux;
  folvane::modIniFile ini(linux.platform());
  folvane::App context{linux.platform(), ini};
  folvane::Folvane window(context);
  window.Form_Load();
  window.show();
  QObject::connect(&instance, &folvane::platform::SingleInstance::Reached, &window,
                   [&window] { folvane::platform::SingleInstance::BringForward(window); });
  return app.exec();
}
