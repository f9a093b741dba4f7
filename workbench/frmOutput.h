// The output report window: the report of the last run, appended on request,
// and the commands that save the program log and the tract composition.
#pragma once

template <class Form>
class FormInstance;

#include <QWidget>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

class frmOutput : public QWidget {
  Q_OBJECT

 public:
  // Creates and loads the one instance, hidden, on the first call.
  static frmOutput* Instance();
  static bool IsLoaded();
  static void Unload();

  QListWidget* lstOutInfo = nullptr;
  QPushButton* cmdView = nullptr;
  QPushButton* cmdSaveLog = nullptr;
  QPushButton* cmdSaveTcts = nullptr;
  QPushButton* cmdClose = nullptr;

  void cmdView_Click();
  void cmdSaveLog_Click();
  void cmdSaveTcts_Click();
  void cmdClose_Click();

  // The report block of the best solution as the engine holds it now.
  static std::vector<std::string> ReportBlock();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class FormInstance<frmOutput>;
  frmOutput();
  // Save dialog, writer, confirmation; any failure gives the "Error" message.
  void SaveWith(const char* dialogTitle, const char* filter, const char* fileName,
                void (*writer)(const std::string&), const char* savedPrompt,
                const char* savedTitle);
};
