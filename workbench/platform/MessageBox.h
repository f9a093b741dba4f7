// Modal message boxes with the style codes the program uses: 0 OK alone,
// 16 critical, 48 exclamation, 64 information (each with OK), 49 and 65 the
// same icons with OK and Cancel. Answers 1 for OK, 2 for Cancel (and for a
// box closed without a button).
#pragma once

#include <string>

namespace platform {

int ShowMessageBox(const std::string& prompt, int style, const std::string& title);
// Makes ShowMessageBox the engine's message-box handler.
void InstallMessageBoxHandler();

}  // namespace platform
