// The about box: the program's title, version and description, and a button
// that starts the system information program found through the registry.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <string>

#include "FormInstance.h"

class QLabel;
class QPushButton;
class LineControl;

class frmAbout : public QWidget, public FormInstance<frmAbout> {
  Q_OBJECT

 public:
  QLabel* picIcon = nullptr;
  QLabel* lblTitle = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblDescription = nullptr;
  std::array<LineControl*, 2> Line1{};  // 0 white and 2 wide, 1 grey: an etched rule
  QLabel* lblDisclaimer = nullptr;
  QPushButton* cmdOk = nullptr;
  QPushButton* cmdSysInfo = nullptr;

  void Form_Load();
  void cmdOk_Click();
  void cmdSysInfo_Click();

  // Starts the system information program, or says that there is none.
  void StartSysInfo();
  // Reads one value of the registry as text; True (-1) on success, else
  // False (0) with KeyVal emptied.
  static int16_t GetKeyValue(int32_t KeyRoot, const std::string& KeyName,
                             const std::string& SubKeyRef, std::string& KeyVal);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class FormInstance<frmAbout>;
  frmAbout();
};
