#include "platform/ModalScript.h"

#include <deque>
#include <utility>

namespace platform {

namespace {

struct Answer {
  enum class Kind { Button, Path, Cancel };
  Kind kind = Kind::Button;
  int button = 0;
  std::string path;
};

struct ScriptState {
  bool active = false;
  std::deque<Answer> answers;
  std::vector<ModalRecord> records;
  std::vector<std::string> failures;
  std::function<void(const std::string&)> hook;
};

ScriptState& State() {
  static ScriptState state;
  return state;
}

void Fail(const std::string& text) {
  State().failures.push_back(text);
  if (State().hook) State().hook(text);
}

std::string Describe(const ModalRecord& r) {
  if (r.kind == ModalRecord::Kind::MessageBox)
    return "message box \"" + r.prompt + "\" (" + r.title + ")";
  return std::string(r.kind == ModalRecord::Kind::OpenDialog ? "open" : "save") +
         " dialog \"" + r.title + "\"";
}

}  // namespace

void ModalScript::Begin() {
  auto hook = State().hook;
  State() = ScriptState{};
  State().hook = std::move(hook);
  State().active = true;
}

void ModalScript::End() {
  State().active = false;
  State().answers.clear();
}

bool ModalScript::Active() { return State().active; }

void ModalScript::AnswerButton(int button) {
  State().answers.push_back({Answer::Kind::Button, button, {}});
}
void ModalScript::AnswerPath(const std::string& path) {
  State().answers.push_back({Answer::Kind::Path, 0, path});
}
void ModalScript::AnswerCancel() { State().answers.push_back({Answer::Kind::Cancel, 0, {}}); }

const std::vector<ModalRecord>& ModalScript::Records() { return State().records; }

std::vector<ModalRecord> ModalScript::MessageBoxes() {
  std::vector<ModalRecord> boxes;
  for (const auto& r : State().records)
    if (r.kind == ModalRecord::Kind::MessageBox) boxes.push_back(r);
  return boxes;
}

void ModalScript::ClearRecords() {
  State().records.clear();
  State().failures.clear();
}

const std::vector<std::string>& ModalScript::Failures() { return State().failures; }

void ModalScript::SetFailureHook(std::function<void(const std::string&)> hook) {
  State().hook = std::move(hook);
}

int ModalScript::TakeButton(const ModalRecord& record) {
  State().records.push_back(record);
  auto& q = State().answers;
  if (q.empty() || q.front().kind != Answer::Kind::Button) {
    Fail("No answer queued for " + Describe(record));
    return 2;
  }
  int button = q.front().button;
  q.pop_front();
  return button;
}

bool ModalScript::TakePath(const ModalRecord& record, std::string& path) {
  State().records.push_back(record);
  auto& q = State().answers;
  if (q.empty() || q.front().kind == Answer::Kind::Button) {
    Fail("No answer queued for " + Describe(record));
    return false;
  }
  Answer a = q.front();
  q.pop_front();
  if (a.kind == Answer::Kind::Cancel) return false;
  path = a.path;
  return true;
}

}  // namespace platform
