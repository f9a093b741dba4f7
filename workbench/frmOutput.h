// The output report window: the report of the last run, appended on request,
// and the commands that save the program log and the tract composition.
#pragma once

#include <QWidget>
#include <string>

#include "FormInstance.h"

class QListWidget;
class QPushButton;

class frmOutput : public QWidget, public FormInstance<frmOutput> {
  Q_OBJECT

 public:
  QListWidget* lstOutInfo = nullptr;
  QPushButton* cmdView = nullptr;
  QPushButton* cmdSaveLog = nullptr;
  QPushButton* cmdSaveTcts = nullptr;
  QPushButton* cmdClose = nullptr;

  // Beside the main window, once: at the first show, or at the demo map's
  // first show, which opens beside the report, whichever comes first.
  void PlaceOnOwner();

  void cmdView_Click();
  void cmdSaveLog_Click();
  void cmdSaveTcts_Click();
  void cmdClose_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class FormInstance<frmOutput>;
  frmOutput();
  bool placed_ = false;
  // True, after a box saying why, when the last run's results cannot be
  // shown or saved (with `tracts`, as a composition file).
  bool Refused(bool tracts);
  // Save dialog, writer, confirmation; any failure gives the "Error" message.
  void SaveWith(const char* dialogTitle, const char* filter, const char* fileName,
                void (*writer)(const std::string&), const char* savedPrompt,
                const char* savedTitle);
};
