#include "frmAbout.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <exception>

#include "Fonts.h"
#include "MakeFormControl.h"
#include "ProgramInfo.h"
#include "Shapes.h"
#include "platform/FormKeys.h"
#include "platform/Forms.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Twips.h"
#include "platform/WholeCaptions.h"
#include "runtime.h"

namespace {

constexpr int32_t kKeyAccess = 0x2003F;
constexpr int kBufferSize = 1024;
constexpr int kErrInvalidCall = 5;

// A double-word value read as text: the characters of the trimmed text from
// the last to the first, each as the hexadecimal digits of its code.
std::string DwordText(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  const size_t last = text.find_last_not_of(' ');
  std::string out = "&h";
  if (first == std::string::npos) return out;
  static const char* kDigits = "0123456789ABCDEF";
  for (size_t i = last + 1; i-- > first;) {
    unsigned code = static_cast<unsigned char>(text[i]);
    std::string digits;
    do {
      digits.insert(digits.begin(), kDigits[code % 16]);
      code /= 16;
    } while (code != 0);
    out += digits;
  }
  return out;
}

}  // namespace

frmAbout::frmAbout()
    : QWidget(platform::MainWindow(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmAbout"));
  setFont(FormFont());
  // The client area opens at its designed place on the screen.
  const QRect screenArea =
      QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry() : QRect();
  setGeometry(screenArea.left() + platform::TwipsToPixelsX(2340),
              screenArea.top() + platform::TwipsToPixelsY(1935), platform::TwipsToPixelsX(5730),
              platform::TwipsToPixelsY(3555));
  setFixedSize(size());
  platform::KeepCaptionsWhole(this, true);

  picIcon = new QLabel(this);
  picIcon->setObjectName(QStringLiteral("picIcon"));
  picIcon->setPixmap(ProgramIcon());
  picIcon->move(platform::TwipsToPixelsX(600), platform::TwipsToPixelsY(360));
  picIcon->adjustSize();

  lblTitle = MakeFormControl<QLabel>(this, "lblTitle", QString(), 1050, 240, 3885, 480);
  lblTitle->setFont(DisplayFont(20.25, true));
  lblTitle->setStyleSheet(QStringLiteral("color: #ff0000;"));

  lblVersion = MakeFormControl<QLabel>(this, "lblVersion", QString(), 1050, 780, 3885, 225);
  lblDescription = MakeFormControl<QLabel>(
      this, "lblDescription",
      QStringLiteral("Qelvane QEL designs output zones by aggregating building blocks into "
                     "tracts under population, shape, homogeneity and matching constraints. "
                     "Written by %1; released in March 2025.")
          .arg(AuthorName()),
      1050, 1125, 3885, 1170);
  lblDescription->setWordWrap(true);
  lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblDescription->setStyleSheet(QStringLiteral("color: #000000;"));

  // Grey line with a white one under it: an etched rule across the box.
  Line1[1] = new LineControl(this, 90, 2445, 5654, 2445, 0x808080);
  Line1[1]->setObjectName(QStringLiteral("Line1_1"));
  Line1[0] = new LineControl(this, 105, 2460, 5654, 2460, 0xFFFFFF, 2);
  Line1[0]->setObjectName(QStringLiteral("Line1_0"));

  lblDisclaimer = MakeFormControl<QLabel>(this, "lblDisclaimer", QString(), 255, 2640, 3870, 825);
  lblDisclaimer->setStyleSheet(QStringLiteral("color: #000000;"));

  cmdOk = MakeFormControl<QPushButton>(this, "cmdOk", QStringLiteral("OK"), 4245, 2625, 1260, 345);
  connect(cmdOk, &QPushButton::clicked, this, &frmAbout::cmdOk_Click);

  cmdSysInfo = MakeFormControl<QPushButton>(this, "cmdSysInfo", QStringLiteral("&System Info..."),
                                            4260, 3075, 1245, 345);
  connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

  platform::SetDefaultButton(this, cmdOk);
  platform::SetCancelButton(this, cmdOk);
  setTabOrder(cmdOk, cmdSysInfo);
  cmdOk->setFocus();
}

void frmAbout::Form_Load() {
  setWindowTitle(QStringLiteral("About ") + QString::fromLatin1(qel::kProgramTitle));
  lblVersion->setText(VersionText());
  lblTitle->setText(QString::fromLatin1(qel::kProgramTitle));
}

void frmAbout::cmdOk_Click() { Unload(); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::StartSysInfo() {
  try {
    std::string path;
    if (GetKeyValue(platform::kKeyLocalMachine, platform::kSysInfoKey, platform::kSysInfoValue,
                    path)) {
      platform::StartProgram(path);
      return;
    }
    if (GetKeyValue(platform::kKeyLocalMachine, platform::kSysInfoFolderKey,
                    platform::kSysInfoFolderValue, path)) {
      const std::string program = path + "\\MSINFO32.EXE";
      if (platform::FileMatches(program)) {
        platform::StartProgram(program);
        return;
      }
    }
  } catch (...) {
    // Every failure ends in the one message below.
  }
  qel::MsgBox("System Information Is Unavailable At This Time", qel::kMbOkOnly, qel::kProgramTitle);
}

int16_t frmAbout::GetKeyValue(int32_t KeyRoot, const std::string& KeyName,
                              const std::string& SubKeyRef, std::string& KeyVal) {
  platform::RegKey hKey = 0;
  auto fail = [&]() -> int16_t {
    KeyVal.clear();
    if (hKey != 0) platform::RegCloseKey(hKey);
    return 0;
  };
  if (platform::RegOpenKey(KeyRoot, KeyName, kKeyAccess, hKey) != platform::kRegOk) return fail();

  std::string buffer(kBufferSize, '\0');
  int32_t size = kBufferSize;
  int32_t type = 0;
  if (platform::RegQueryValue(hKey, SubKeyRef, type, buffer.data(), size) != platform::kRegOk)
    return fail();
  if (size <= 0 || size > kBufferSize) {
    // An empty value has no last character to test.
    platform::RegCloseKey(hKey);
    qel::RaiseError(kErrInvalidCall, "Invalid procedure call or argument");
  }
  const size_t n = static_cast<size_t>(size);
  const std::string text = buffer.substr(0, buffer[n - 1] == '\0' ? n - 1 : n);

  if (type == platform::kRegString) {
    KeyVal = text;
  } else if (type == platform::kRegDword) {
    KeyVal = DwordText(text);
  }
  platform::RegCloseKey(hKey);
  return -1;
}

// The close box unloads the box, as "OK" does.
void frmAbout::closeEvent(QCloseEvent* event) {
  event->accept();
  Unload();
}
