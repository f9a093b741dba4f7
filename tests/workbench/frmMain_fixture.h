// Starts the program's main window the way the program does, with every
// modal box and dialog scripted and the settings store in a temporary folder.
#pragma once

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <string>

#include "WorkbenchWindows.h"
#include "engine.h"
#include "frmInputSummary.h"
#include "frmMain.h"
#include "platform/Forms.h"
#include "platform/ModalScript.h"
#include "platform/Process.h"
#include "platform/Settings.h"

namespace mwtest {

inline std::string Repo(const char* relative) { return std::string(QEL_SOURCE_DIR) + "/" + relative; }
inline std::string Sids() { return Repo("tests/data/sids.pat"); }
inline std::string SidsCtg() { return Repo("tests/data/sids.ctg"); }

// Writes a text file into the folder and returns its path.
inline std::string WriteText(const QTemporaryDir& dir, const char* name, const std::string& text) {
  const QString path = dir.filePath(QString::fromLatin1(name));
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(text.c_str(), static_cast<qint64>(text.size()));
  return path.toStdString();
}

class MainWindowFixture {
 public:
  QTemporaryDir dir;
  frmMain* w = nullptr;

  void Start() {
    platform::SetSettingsDirectory(dir.filePath(QStringLiteral("settings")).toStdString());
    platform::ModalScript::Begin();
    platform::ModalScript::SetFailureHook(
        [](const std::string& text) { QTest::qFail(text.c_str(), __FILE__, __LINE__); });
    qel::ResetEngineState();
    InstallWorkbenchWindows();
    qel::StartMain();
    w = static_cast<frmMain*>(qel::frmMainInst);
  }

  void Stop() {
    if (w) {
      platform::NoteUnloaded(w);
      delete w;
      w = nullptr;
      qel::frmMainInst = nullptr;
    }
    platform::UnloadAllExcept(nullptr);
    platform::ModalScript::SetFailureHook({});
    platform::ModalScript::End();
  }

  void LoadIntersections(const std::string& path) {
    platform::ModalScript::AnswerPath(path);
    w->CmdInputfile->click();
  }
  void LoadContiguities(const std::string& path) {
    platform::ModalScript::AnswerPath(path);
    w->cmdGetcont->click();
  }
  void LoadSids() {
    LoadIntersections(Sids());
    LoadContiguities(SidsCtg());
  }
  // The prompt of the last message box, or "" when none appeared.
  static std::string LastPrompt() {
    const auto boxes = platform::ModalScript::MessageBoxes();
    return boxes.empty() ? std::string() : boxes.back().prompt;
  }
  static int BoxCount() { return static_cast<int>(platform::ModalScript::MessageBoxes().size()); }
};

}  // namespace mwtest
