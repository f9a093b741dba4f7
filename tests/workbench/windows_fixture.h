// Shared by the tests of the secondary windows: every modal box and dialog
// scripted (one that appears unanswered fails the test), the engine reset to
// its start-up state with the workbench's windows installed.
#pragma once

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

inline void EndScript() {
  platform::ModalScript::SetFailureHook({});
  platform::ModalScript::End();
}

// Engine at start-up values, window operations of the workbench, scripting on.
inline void StartFresh() {
  qel::ResetEngineState();
  InstallWorkbenchWindows();
  BeginScript();
}

// Unloads every window and ends scripting.
inline void StopAll() {
  platform::UnloadAllExcept(nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EndScript();
}

inline std::vector<platform::ModalRecord> Boxes() { return platform::ModalScript::MessageBoxes(); }

inline std::string LastPrompt() {
  const auto boxes = Boxes();
  return boxes.empty() ? std::string() : boxes.back().prompt;
}

}  // namespace wintest
