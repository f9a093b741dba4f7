// Reads the contiguity file, one boundary arc per line, into the neighbour
// lists of arrBB: each block's distinct neighbours with the summed length of
// their shared arcs.
//
// The file's lists are gathered apart and replace the loaded ones only when
// the file yields at least one arc: a file that cannot be opened, is empty or
// names no usable arc leaves the neighbours already loaded as they were. The
// work of a call follows what its file holds, not the size of the tables.
#include "contiguity_reader.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "engine.h"

namespace qel {

namespace {

constexpr int kContiguityChannel = 2;

struct Neighbour {
  int16_t block;
  double length;
};

// The lists of the blocks that the file names so far, each in the order in
// which its neighbours first appear.
using GatheredLists = std::unordered_map<int16_t, std::vector<Neighbour>>;

std::vector<Neighbour>::iterator Find(std::vector<Neighbour>& list, int16_t x) {
  return std::find_if(list.begin(), list.end(), [x](const Neighbour& n) { return n.block == x; });
}

// True when adding x to block y's list would need a 501st entry.
bool ListFull(GatheredLists& lists, int16_t y, int16_t x) {
  if (y <= 1) return false;  // the outside keeps no list
  std::vector<Neighbour>& list = lists[y];
  return Find(list, x) == list.end() && static_cast<int>(list.size()) >= intMaxNbrs;
}

void AddNeighbour(GatheredLists& lists, int16_t y, int16_t x, double length) {
  if (y <= 1) return;
  std::vector<Neighbour>& list = lists[y];
  const auto it = Find(list, x);
  if (it != list.end()) {
    it->length += length;
  } else {
    list.push_back({x, length});
  }
}

int16_t RecordNumber(const std::string& field) {
  const int16_t r = CInt(field);
  if (r < 1 || r > intNRecs) {
    RaiseSubscriptError("record " + Str(static_cast<int>(r)) + " is not among records 1 to " +
                        Str(static_cast<int>(intNRecs)));
  }
  return r;
}

// Reads lines until the end of the file or the neighbour limit; a failing
// line raises its error. `line` counts the lines read, the failing one included.
void GatherArcs(GatheredLists& lists, int& line) {
  TokenArray tok;
  int16_t nFields = 0;
  while (!FileEof(kContiguityChannel)) {
    ++line;
    if (line > INT16_MAX) RaiseError(kErrOverflow, "Overflow: the file has more than 32767 lines");
    SplitLine(LineInput(kContiguityChannel), tok, nFields);
    if (nFields < 3) RaiseError(kErrTypeMismatch, "Type mismatch: a line needs two record numbers and a length");
    const int16_t a = RecordNumber(tok(1));
    const int16_t b = RecordNumber(tok(2));
    const double length = CDbl(tok(3));
    // An arc with the same block on both sides lies inside that block: it
    // is no boundary with a neighbour, and a block listed as its own
    // neighbour would list an IBB or tract among its own neighbours.
    if (a == b) continue;
    // Both sides are checked before either is written, so the lists stay
    // symmetric when the limit stops the reading.
    if (ListFull(lists, a, b) || ListFull(lists, b, a)) {
      MsgBox("Too many zone neighbours on zone file", kMbCritical, "Too many neighbours");
      return;
    }
    AddNeighbour(lists, a, b, length);
    AddNeighbour(lists, b, a, length);
  }
}

// The records whose lists this reader filled: the only ones that a clear
// has to visit, so that it costs what was loaded rather than the whole table.
std::vector<int16_t>& FilledRecords() {
  static std::vector<int16_t> records;
  return records;
}

bool AnyArc(const GatheredLists& lists) {
  return std::any_of(lists.begin(), lists.end(), [](const auto& entry) { return !entry.second.empty(); });
}

void ReplaceLoadedLists(const GatheredLists& lists) {
  ClearNeighbourLists();
  for (const auto& [y, list] : lists) {
    if (list.empty()) continue;
    FilledRecords().push_back(y);
    udtBB& bb = arrBB(y);
    for (const Neighbour& n : list) {
      ++bb.intNNbrs;
      bb.intNbr(bb.intNNbrs) = n.block;
      bb.dblNbrLen(bb.intNNbrs) = n.length;
    }
  }
}

}  // namespace

void ClearNeighbourLists() {
  for (const int16_t r : FilledRecords()) {
    udtBB& bb = arrBB(r);
    // Entries past the count hold nothing: only those in use are cleared.
    const int n = std::clamp<int>(bb.intNNbrs, 0, kListSize);
    for (int k = 1; k <= n; ++k) {
      bb.intNbr(k) = 0;
      bb.dblNbrLen(k) = 0;
    }
    bb.intNNbrs = 0;
  }
  FilledRecords().clear();
}

void ReadContiguityFile(const std::string& strFile, int16_t& intNArcs) {
  intNArcs = 0;
  GatheredLists lists;
  int line = 0;  // the line being read, for the message
  bool failed = false;
  try {
    FileOpenInput(kContiguityChannel, strFile);
    GatherArcs(lists, line);
    FileClose(kContiguityChannel);
  } catch (...) {
    FileAbort(kContiguityChannel);
    // Every failure after the open lies on a line. The lines before it are kept.
    ShowErrorBox(AtLine(ErrorFromException(std::current_exception()), line));
    failed = true;
  }
  if (!AnyArc(lists)) {
    // The loaded lists stay, and the count 0 tells the caller that nothing
    // replaced them. A failure has said why in its own box.
    if (!failed) {
      MsgBox("The contiguity file " + strFile + " holds no usable arc; nothing was loaded", kMbExclamation,
             "Contiguity file");
    }
    return;
  }
  ReplaceLoadedLists(lists);
  intNArcs = static_cast<int16_t>(line);
}

}  // namespace qel
