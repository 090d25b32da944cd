// kore [PATH]: the editor and player window, opening PATH when given.
#include "app/mml_app.h"
#include "app/player_dlg.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("kore");
  kore::InstallQtTranslation(app);
  kore::CMMLApp program(kore::SettingsEnvironment::FromProcess());
  QStringList arguments = QApplication::arguments();
  std::string path = arguments.size() > 1 ? arguments[1].toStdString() : std::string();
  if (!program.Start(path)) return 1;
  program.Window()->show();
  program.OpenDevice();
  int rc = app.exec();
  return rc;
}
