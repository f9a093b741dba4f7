#include "SetUpFixedForm.h"

#include <QString>
#include <QWidget>

#include "Fonts.h"
#include "platform/Twips.h"
#include "platform/WholeCaptions.h"

void SetUpFixedForm(QWidget* form, const char* name, const QString& title, int width, int height) {
  form->setObjectName(QString::fromLatin1(name));
  form->setWindowTitle(title);
  form->setFont(FormFont());
  platform::SetClientSizeTwips(form, width, height);
  form->setFixedSize(form->size());
  platform::KeepCaptionsWhole(form, true);
}
