// What the program does before its first window appears.
#pragma once

// Gives the engine the workbench's windows and message boxes, gives every
// window the program's icon, and shows the splash window, whose timer (or a
// click on its margin) starts the engine and opens the main window.
void StartWorkbench();
