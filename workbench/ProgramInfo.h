// What the splash window and the about box show of the program: its version,
// its author, its logo and its icon.
#pragma once

#include <QPixmap>
#include <QString>

constexpr int kVersionMajor = 1;
constexpr int kVersionMinor = 0;
constexpr int kVersionRevision = 0;

// "Version 1.0.0"
QString VersionText();
QString AuthorName();
// The logo, 800 x 600 pixels, and the 16 x 15 icon, from the compiled-in
// resources.
QPixmap ProgramLogo();
QPixmap ProgramIcon();
