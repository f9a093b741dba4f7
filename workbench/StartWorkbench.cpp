#include "StartWorkbench.h"

#include <QApplication>
#include <QIcon>

#include "ProgramInfo.h"
#include "WorkbenchWindows.h"
#include "frmSplash.h"

void StartWorkbench() {
  InstallWorkbenchWindows();
  QApplication::setWindowIcon(QIcon(ProgramIcon()));
  frmSplash::Instance()->show();
}
