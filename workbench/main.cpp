#include <QApplication>

#include "WorkbenchWindows.h"
#include "frmSplash.h"

// The program starts with its splash window, whose timer (or a click on its
// margin) starts the engine and opens the main window.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallWorkbenchWindows();
  frmSplash::Instance()->show();
  return app.exec();
}
