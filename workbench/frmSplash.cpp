#include "frmSplash.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <exception>

#include "Fonts.h"
#include "MakeFormControl.h"
#include "ProgramInfo.h"
#include "engine.h"
#include "platform/Placement.h"
#include "platform/Twips.h"

namespace {

// StartMain runs once per process, whichever of the timer and the click comes first.
bool& StartedFlag() {
  static bool started = false;
  return started;
}

constexpr int kBorder = 2;  // the fixed dialog border around the client area
const QString kBackColor = QStringLiteral("#ffffc0");

QFont LabelFont(const char* family, double points, bool bold) {
  QFont f(QString::fromLatin1(family));
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

// A label sized to its text, its left edge kept (or its right edge, when it
// is right-aligned).
void SizeToText(QLabel* label) {
  const QRect before = label->geometry();
  label->adjustSize();
  if (label->alignment() & Qt::AlignRight)
    label->move(before.right() - label->width() + 1, before.top());
}

}  // namespace

void frmSplash::Unload() {
  // A timer still running could start the program while it shuts down.
  if (IsLoaded()) Instance()->Timer1->stop();
  FormInstance<frmSplash>::Unload();
}

bool frmSplash::Started() { return StartedFlag(); }

frmSplash::frmSplash() : QFrame(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmSplash"));
  setFont(FormFont());
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(kBorder);
  setStyleSheet(QStringLiteral("frmSplash { background-color: %1; }").arg(kBackColor));
  setAutoFillBackground(true);
  platform::CentreWhenFirstShown(this);  // no owner: the screen's centre
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(kBackColor));
  setPalette(pal);
  resize(platform::TwipsToPixelsX(7455) + 2 * kBorder,
         platform::TwipsToPixelsY(4710) + 2 * kBorder);
  setFixedSize(size());

  // The frame holds every control; only the margin right of and below it is
  // the window's own surface, where a click starts the program.
  fraMainFrame = new QFrame(this);
  fraMainFrame->setObjectName(QStringLiteral("fraMainFrame"));
  fraMainFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  fraMainFrame->setGeometry(kBorder, kBorder, platform::TwipsToPixelsX(7380),
                            platform::TwipsToPixelsY(4590));

  picLogo = MakeFormControl<QLabel>(fraMainFrame, "picLogo", QString(), 240, 600, 2055, 2865);
  picLogo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picLogo->setPixmap(ProgramLogo());  // natural size, clipped to the box
  picLogo->setFrameStyle(QFrame::Box | QFrame::Plain);

  lblCompanyProduct = MakeFormControl<QLabel>(fraMainFrame, "lblCompanyProduct",
                                              QStringLiteral("Qelvane"), 2505, 765, 4470, 525);
  lblCompanyProduct->setFont(DisplayFont(18, true));
  lblProductName = MakeFormControl<QLabel>(fraMainFrame, "lblProductName", QStringLiteral("QEL"),
                                           2520, 960, 3330, 2025);
  lblProductName->setFont(DisplayFont(72, true));
  lblProductName->setStyleSheet(QStringLiteral("color: #ff0000;"));
  lblVersion =
      MakeFormControl<QLabel>(fraMainFrame, "lblVersion", QString(), 5640, 2880, 1380, 300);
  lblVersion->setFont(LabelFont("MS Sans Serif", 12, true));
  lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblCopyright = MakeFormControl<QLabel>(fraMainFrame, "lblCopyright",
                                         QStringLiteral("Copyright 2025"), 5640, 3240, 1575, 255);
  lblCompany =
      MakeFormControl<QLabel>(fraMainFrame, "lblCompany", AuthorName(), 5640, 3480, 1575, 255);
  lblAcknowledgements =
      MakeFormControl<QLabel>(fraMainFrame, "lblAcknowledgements", QString(), 300, 3720, 6855, 195);
  SizeToText(lblCompanyProduct);
  SizeToText(lblProductName);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kDelayMs);
  // The default coarse timer may fire up to 5 % early.
  Timer1->setTimerType(Qt::PreciseTimer);
  connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
  Timer1->start();
}

void frmSplash::Form_Load() {
  lblVersion->setText(VersionText());
  SizeToText(lblVersion);
  lblProductName->setText(QString::fromLatin1(qel::kProgramTitle));
  SizeToText(lblProductName);
}

void frmSplash::Timer1_Timer() { StartProgram(); }

void frmSplash::Form_Click() { StartProgram(); }

void frmSplash::StartProgram() {
  Timer1->stop();
  if (!StartedFlag()) {
    StartedFlag() = true;
    try {
      qel::StartMain();
    } catch (...) {
      qel::ShowErrorBox(qel::ErrorFromException(std::current_exception()));
    }
  }
  hide();
}

void frmSplash::mousePressEvent(QMouseEvent* event) {
  // Clicks on the frame and its controls do not count: only the margin.
  pressOnMargin_ =
      event->button() == Qt::LeftButton && childAt(event->position().toPoint()) == nullptr;
  QFrame::mousePressEvent(event);
}

void frmSplash::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressOnMargin_ && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
  pressOnMargin_ = false;
  QFrame::mouseReleaseEvent(event);
  if (click) Form_Click();
}

