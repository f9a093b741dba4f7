// Every control of a form is made the same way: its object name, and its
// place in twips within the parent's client area.
#pragma once

#include <QString>
#include <QWidget>

#include "platform/Twips.h"

// A control with its object name, placed in twips.
template <class W>
W* MakeFormControl(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* w = new W(parent);
  w->setObjectName(QString::fromLatin1(name));
  platform::PlaceTwips(w, left, top, width, height);
  return w;
}

// The same with its caption or text (labels, buttons, boxes, text boxes).
template <class W>
W* MakeFormControl(QWidget* parent, const char* name, const QString& caption, int left, int top,
                   int width, int height) {
  W* w = MakeFormControl<W>(parent, name, left, top, width, height);
  w->setText(caption);
  return w;
}
