// The secondary windows are fixed-size forms laid out in twips.
#pragma once

class QString;
class QWidget;

// A fixed-size window with its object name, title and the forms' face, its
// client area given in twips; it grows when a caption needs more room.
void SetUpFixedForm(QWidget* form, const char* name, const QString& title, int width, int height);
