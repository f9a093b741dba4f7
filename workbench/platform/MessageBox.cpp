#include "platform/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

#include "platform/Forms.h"
#include "platform/ModalScript.h"
#include "platform/Placement.h"
#include "runtime.h"

namespace platform {

namespace {

QMessageBox::Icon IconOf(int style) {
  switch (style & 0x70) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

bool HasCancel(int style) { return (style & 0x0F) == 1; }

}  // namespace

int ShowMessageBox(const std::string& prompt, int style, const std::string& title) {
  const std::string shownTitle = title.empty() ? std::string(qel::kProgramTitle) : title;
  if (ModalScript::Active()) {
    ModalRecord r;
    r.kind = ModalRecord::Kind::MessageBox;
    r.prompt = prompt;
    r.style = style;
    r.title = shownTitle;
    return ModalScript::TakeButton(r);
  }
  QWidget* owner = OwnerWindow();
  CentredDialog<QMessageBox> box(IconOf(style), QString::fromStdString(shownTitle),
                                 QString::fromStdString(prompt), QMessageBox::NoButton, owner);
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  QPushButton* cancel = nullptr;
  if (HasCancel(style)) cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(cancel ? cancel : ok);
  box.exec();
  ReturnFocusTo(owner);
  return box.clickedButton() == ok ? qel::kIdOk : qel::kIdCancel;
}

void InstallMessageBoxHandler() { qel::SetMessageBoxHandler(&ShowMessageBox); }

}  // namespace platform
