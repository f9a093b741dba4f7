// The input summary window: the counts of the loaded files and, for each
// layer, the total, mean, smallest and largest population.
#pragma once

#include <QWidget>

#include "FormInstance.h"

class QLabel;
class QPushButton;

class frmInputSummary : public QWidget, public FormInstance<frmInputSummary> {
  Q_OBJECT

 public:
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
