// The faces the windows are drawn in.
#pragma once

#include <QFont>

// The small sans-serif face the forms are laid out for; the positions in
// twips leave room for captions in this face.
QFont FormFont();

// The face the program's name is shown in: Comic Sans MS where it is
// installed, else the nearest plain face (never a script face that a font
// substitution might choose).
QFont DisplayFont(double points, bool bold);
