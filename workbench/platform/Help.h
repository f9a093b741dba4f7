// The help viewer. A help file is plain text of our own format:
//
//   @@ topic-id | Topic title
//   keywords: word, word
//   Text of the topic, in paragraphs separated by empty lines.
//
// The first topic is the contents page. Lines before the first topic and
// lines starting with "#" are ignored.
#pragma once

#include <string>
#include <vector>

class QWidget;

namespace platform {

enum HelpCommand : int {
  kHelpContents = 3,      // open at the contents page
  kHelpPartialKey = 261,  // open the search page (empty keyword)
};

struct HelpTopic {
  std::string id;
  std::string title;
  std::vector<std::string> keywords;
  std::string text;
};

// Reads a help file; false with a reason when it is missing, unreadable or
// holds no topic.
bool LoadHelpFile(const std::string& path, std::vector<HelpTopic>& topics, std::string& error);
// Topics whose title, keywords or text hold the word (any case), in file order.
std::vector<int> SearchHelp(const std::vector<HelpTopic>& topics, const std::string& word);

// The program's help file ("QEL.hlp" in the resources folder).
std::string ProgramHelpFile();

// Opens the viewer on the file with the command. A file that cannot be read
// is reported by the viewer in a message box. Unknown commands raise
// std::invalid_argument.
void ShowHelp(QWidget* owner, const std::string& helpFile, int command);

// The viewer window while it is open (tests look into it), else nullptr.
QWidget* HelpViewer();

}  // namespace platform
