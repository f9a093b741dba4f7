// The run progress window: the phase of the run, a bar from 0 to 100 and one
// line for every new best solution. Its Cancel button stays disabled: a run
// cannot be cancelled.
#pragma once

#include <QWidget>
#include <string>

#include "FormInstance.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

class frmQELRun : public QWidget, public FormInstance<frmQELRun> {
  Q_OBJECT

 public:
  QLabel* lblProgrep = nullptr;
  QProgressBar* prgRunProg = nullptr;
  QLabel* lblBestVal = nullptr;
  QListWidget* lstProgRep = nullptr;
  QPushButton* cmdCancel = nullptr;

  // What a run writes into the window. The run holds the thread, so each
  // change that must be seen at once is painted before it returns.
  void SetCaption(const std::string& text, bool repaintNow);
  void SetValue(int percent);  // outside 0..100 shows the nearest end
  void AddLine(const std::string& line);
  int LineCount() const;
  void SelectLine(int index);  // an index with no line selects nothing
  void cmdCancel_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class FormInstance<frmQELRun>;
  frmQELRun();
};
