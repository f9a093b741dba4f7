// The options dialog: random seed, the two margins, the two weights, the
// look-up-table output and contiguity checking. "&Ok" stores the values in
// the engine; "&Cancel" only hides the window.
#pragma once

template <class Form>
class FormInstance;

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmOptions : public QWidget {
  Q_OBJECT

 public:
  // Creates and loads the one instance, hidden, on the first call.
  static frmOptions* Instance();
  static bool IsLoaded();
  static void Unload();

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
