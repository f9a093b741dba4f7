// Who may use a file: what a replacement must carry over from the file it
// replaces.
#pragma once

#include <sys/stat.h>

namespace qel {

// Gives the file `scratch` exactly the access of `old` (whose status is
// `st`): owner and group, access list and other extended attributes (and
// none that the old file lacks, whatever the folder's default gave the
// scratch), and permission bits. False when the process cannot give all of
// them; the old file must then be written in place to keep them.
bool CarryAccess(int scratch, int old, const struct stat& st);

}  // namespace qel
