// The options dialog: random seed, the two margins, the two weights, the
// look-up-table output and contiguity checking. "&Ok" stores the values in
// the engine; "&Cancel" only hides the window.
#pragma once

#include <QWidget>

#include "FormInstance.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmOptions : public QWidget, public FormInstance<frmOptions> {
  Q_OBJECT

 public:
  QLabel* lblRstart = nullptr;
  QLineEdit* txtRstart = nullptr;
  QLabel* lblOffset = nullptr;
  QLineEdit* txtOffset = nullptr;
  QLabel* lblSAstart = nullptr;
  QLineEdit* txtSAstart = nullptr;
  QLabel* lblPopWt = nullptr;
  QLineEdit* txtPopWt = nullptr;
  QLabel* lblApxweight = nullptr;
  QLineEdit* txtApxwt = nullptr;
  QCheckBox* chkLUT = nullptr;
  QCheckBox* chkContChk = nullptr;
  QPushButton* cmdCancel = nullptr;
  QPushButton* cmdOk = nullptr;

  void cmdOk_Click();
  void cmdCancel_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  friend class FormInstance<frmOptions>;
  frmOptions();
  bool shownBefore_ = false;
};
