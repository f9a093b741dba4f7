// The input summary window: the counts of the loaded files and, for each
// layer, the total, mean, smallest and largest population.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
template <class Form>
class FormInstance;

class frmInputSummary : public QWidget {
  Q_OBJECT

 public:
  // Creates and loads the one instance, hidden, on the first call.
  static frmInputSummary* Instance();
  static bool IsLoaded();
  static void Unload();

  QLabel* lblTitle = nullptr;
  QLabel* lblNrecs = nullptr;
  QLabel* lblCells = nullptr;
  QLabel* lblA = nullptr;
  QLabel* lblAtot = nullptr;
  QLabel* lblAmean = nullptr;
  QLabel* lblAmin = nullptr;
  QLabel* lblAmax = nullptr;
  QLabel* lblB = nullptr;
  QLabel* lblBtot = nullptr;
  QLabel* lblBmean = nullptr;
  QLabel* lblBmin = nullptr;
  QLabel* lblBmax = nullptr;
  QPushButton* cmdOk = nullptr;

  void cmdOk_Click();

 private:
  friend class FormInstance<frmInputSummary>;
  frmInputSummary();
};
