// The main window of a fresh program for the window tests: the engine back at
// its start-up state, the workbench's windows installed and StartMain run;
// and taken down again, every other window with it.
#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "WorkbenchWindows.h"
#include "engine.h"
#include "frmMain.h"
#include "platform/Forms.h"

inline frmMain* StartMainWindow() {
  qel::ResetEngineState();
  InstallWorkbenchWindows();
  qel::StartMain();
  return static_cast<frmMain*>(qel::frmMainInst);
}

inline void StopMainWindow(frmMain*& w) {
  platform::NoteUnloaded(w);
  delete w;
  qel::frmMainInst = w = nullptr;
  platform::UnloadAllExcept(nullptr);
}

// Writes the text to the file `name` in `dir`; returns its path.
inline std::string WriteTestFile(const QTemporaryDir& dir, const char* name, const std::string& text) {
  QFile f(dir.filePath(QString::fromLatin1(name)));
  if (f.open(QIODevice::WriteOnly)) f.write(text.c_str());
  return f.fileName().toStdString();
}
