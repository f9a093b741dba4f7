// The file that a save writes: opened when the save begins, as a plain
// create-or-open for writing opens it, and written whole when it ends.
#pragma once

#include <sys/types.h>

#include <string>

namespace qel {

struct SaveTarget {
  int fd = -1;          // the file the path named when the save began
  int folder = -1;      // the folder that holds it, when it could be found
  bool folderFlushable = false;  // the folder was opened for reading, not only for look-ups
  bool procUsable = false;       // the system names the file of a descriptor (/proc)
  std::string name;     // its name in that folder
  dev_t dev = 0;
  ino_t ino = 0;
  bool created = false;  // the save created it: a failed save removes it
  bool inPlace = false;  // known at the start to be written in place
};

// Opens the file the path names, following links as the system follows
// them and creating a new file, so that nobody else can take its name
// during the save. Refused (error 75, with the system's reason) wherever
// open(path, O_WRONLY | O_CREAT | O_TRUNC) would be refused; nothing is
// then written anywhere. A pipe with no reader is refused, not waited on.
SaveTarget OpenSaveTarget(const std::string& path);

// Writes the text in place of the old: a regular file through a scratch
// file that takes the old one's access and then its name, anything else
// (or a file whose replacement could not keep its access) in place. On a
// failure the file is as it was and the target stays open for AbortSave.
void CommitSave(SaveTarget& t, const std::string& text);

// Drops the save: closes what it opened and removes the file it created.
void AbortSave(SaveTarget& t);

}  // namespace qel
