// Open and save dialogs. The filter is one text of description and pattern
// pairs joined by vertical bars ("Text files (*.txt)|*.txt|All files|*.*"),
// the first pair selected at start. Cancel raises a run-time error numbered
// qel::kErrDialogCancel.
#pragma once

#include <string>

namespace platform {

enum FileDialogFlag : int {
  kDlgOverwritePrompt = 2,  // ask before replacing an existing file (save)
  kDlgHideReadOnly = 4,     // no read-only box
  kDlgFileMustExist = 4096, // only an existing file can be chosen (open)
};

std::string ShowOpenDialog(const std::string& title, const std::string& filter,
                           const std::string& fileName, int flags);
std::string ShowSaveDialog(const std::string& title, const std::string& filter,
                           const std::string& fileName, int flags);

}  // namespace platform
