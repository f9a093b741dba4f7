// The help viewer. The program's help is a set of HTML pages in the
// resources; the contents page links to every topic, and the search looks
// through the text of all pages in its folder.
#pragma once

#include <string>

class QWidget;

namespace platform {

enum HelpCommand : int {
  kHelpContents = 3,      // open at the contents page
  kHelpPartialKey = 261,  // open at the search (empty word)
};

// The program's help: its contents page in the resources.
std::string ProgramHelpFile();

// Opens the viewer (one window, owned by `owner`, named "HelpViewer") on the
// help file with the command. A help file that does not exist is reported in
// a message box. Unknown commands raise std::invalid_argument.
void ShowHelp(QWidget* owner, const std::string& helpFile, int command);

}  // namespace platform
