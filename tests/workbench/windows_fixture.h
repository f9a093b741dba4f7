// Shared by the tests of the secondary windows: every modal box and dialog
// scripted (one that appears unanswered fails the test), the engine reset to
// its start-up state with the workbench's windows installed.
#pragma once

#include <QFile>
#include <QListWidget>
#include <QTest>
#include <string>
#include <vector>

#include "WorkbenchWindows.h"
#include "engine.h"
#include "platform/Forms.h"
#include "platform/ModalScript.h"

namespace wintest {

inline void BeginScript() {
  platform::ModalScript::Begin();
  platform::ModalScript::SetFailureHook(
      [](const std::string& text) { QTest::qFail(text.c_str(), __FILE__, __LINE__); });
}

inline void StartFresh() {
  qel::ResetEngineState();
  InstallWorkbenchWindows();
  BeginScript();
}

// Unloads every window and ends scripting.
inline void StopAll() {
  platform::UnloadAllExcept(nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  platform::ModalScript::SetFailureHook({});
  platform::ModalScript::End();
}

inline std::vector<platform::ModalRecord> Boxes() { return platform::ModalScript::MessageBoxes(); }

inline std::string LastPrompt() {
  const auto boxes = Boxes();
  return boxes.empty() ? std::string() : boxes.back().prompt;
}

inline QStringList ListLines(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

inline QString ReadText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace wintest
