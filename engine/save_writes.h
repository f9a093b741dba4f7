// A save's text written whole into a file: a regular file only once the
// room for the text is sure, and with the room given back when it is not.
// Every function returns 0, or the errno of the failure.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace qel {

// From `at` when it is 0 or more, else at the file's offset.
int WriteAll(int fd, const char* data, std::size_t size, off_t at = -1);

// A file system that takes no request of this kind (an errno).
bool Unsupported(int err);

// The process's file-size limit, checked before any write so that no
// write meets it and no signal ends the program.
bool WithinSizeLimit(off_t size);

// A regular file of `oldSize` bytes, written whole and put on the disk:
// the room reserved first, the new text over the old, cut to its length
// last. Where the room cannot be had, the room taken is given back and
// the old text is as it was.
int WriteRegularFile(int fd, const std::string& text, off_t oldSize);

// A file system on which writing over a block takes a new one, so that no
// reservation holds the room for an overwrite.
bool CopiesOnWrite(int fd);

// What CloneInto returns where no clone can be made: the target is as it was.
constexpr int kNoClone = -1;

// The text written first to a scratch file in `folder` (on the target's
// device `dev`), which takes the room that an overwrite needs, and then
// given to the target as a clone of the scratch's blocks: the old text is
// touched only once the new one is on the disk.
int CloneInto(int target, int folder, dev_t dev, const std::string& text);

// ENOSPC unless the free room holds `size` bytes and a margin.
int RequireRoom(int fd, off_t size);

}  // namespace qel
