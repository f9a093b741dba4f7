// The first window of the program: name, product, version, copyright and the
// logo for three seconds (or until its margin is clicked); then it starts the
// engine and the main window and hides itself.
#pragma once

#include <QFrame>

#include "FormInstance.h"

class QLabel;
class QTimer;

class frmSplash : public QFrame, public FormInstance<frmSplash> {
  Q_OBJECT

 public:
  static constexpr int kDelayMs = 3000;

  // Stops the timer first: it could start the program while it shuts down.
  static void Unload();

  QFrame* fraMainFrame = nullptr;
  QLabel* picLogo = nullptr;
  QLabel* lblCompanyProduct = nullptr;
  QLabel* lblProductName = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblCopyright = nullptr;
  QLabel* lblCompany = nullptr;
  QLabel* lblAcknowledgements = nullptr;
  QTimer* Timer1 = nullptr;

  void Form_Load();
  void Timer1_Timer();
  void Form_Click();

  // True once the program has been started from this window.
  static bool Started();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  friend class FormInstance<frmSplash>;
  frmSplash();
  void StartProgram();
  bool pressOnMargin_ = false;
};
