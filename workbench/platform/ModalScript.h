// Everything modal (message boxes, file dialogs) can be answered by a script
// instead of a person. While a script is active, no box or dialog is shown:
// each takes the next queued answer, first in first out, and is recorded with
// its texts. One that finds no fitting answer is recorded as a failure and
// answered Cancel at once, so a test never waits for a click.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

struct ModalRecord {
  enum class Kind { MessageBox, OpenDialog, SaveDialog };
  Kind kind = Kind::MessageBox;
  // Message box
  std::string prompt;
  int style = 0;
  // Both
  std::string title;
  // File dialogs
  std::string filter;
  std::string fileName;  // proposed file name
  int flags = 0;
};

class ModalScript {
 public:
  // Turns scripting on with an empty queue and record.
  static void Begin();
  // Turns it off; real boxes and dialogs are shown again.
  static void End();
  static bool Active();

  // Queued answers.
  static void AnswerButton(int button);        // 1 OK, 2 Cancel
  static void AnswerPath(const std::string& path);
  static void AnswerCancel();                  // Cancel in a file dialog

  static const std::vector<ModalRecord>& Records();
  static std::vector<ModalRecord> MessageBoxes();
  static void ClearRecords();
  // One text per box or dialog that appeared without a fitting answer.
  static const std::vector<std::string>& Failures();
  // Called at once with the failure's text (tests make it fail the test).
  static void SetFailureHook(std::function<void(const std::string&)> hook);

  // Used by the message box and file dialogs.
  static int TakeButton(const ModalRecord& record);
  // Returns false for Cancel.
  static bool TakePath(const ModalRecord& record, std::string& path);
};

// Scripting for the lifetime of a scope.
class ScopedModalScript {
 public:
  ScopedModalScript() { ModalScript::Begin(); }
  ~ScopedModalScript() { ModalScript::End(); }
  ScopedModalScript(const ScopedModalScript&) = delete;
  ScopedModalScript& operator=(const ScopedModalScript&) = delete;
};

}  // namespace platform
