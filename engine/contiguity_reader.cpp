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
#include "list_ops.h"

namespace qel {

namespace {

constexpr int kContiguityChannel = 2;

// A block's neighbour list as the file gives it so far: its neighbours in the
// order in which they first appear, each with the summed length of its arcs.
struct GatheredList {
  int16_t intNNbrs = 0;
  List16 intNbr;
  ListDbl dblNbrLen;
};

// The lists of the blocks that the file names.
using GatheredLists = std::unordered_map<int16_t, GatheredList>;

// True when adding x to block y's list would need a 501st entry.
bool ListFull(GatheredLists& lists, int16_t y, int16_t x) {
  if (y <= 1) return false;  // the outside keeps no list
  const GatheredList& list = lists[y];
  return FindEntry(list.intNbr, list.intNNbrs, x) == 0 && list.intNNbrs >= intMaxNbrs;
}

void AddNeighbour(GatheredLists& lists, int16_t y, int16_t x, double length) {
  if (y <= 1) return;
  GatheredList& list = lists[y];
  int k = FindEntry(list.intNbr, list.intNNbrs, x);
  if (k > 0) {
    list.dblNbrLen(k) += length;
    return;
  }
  k = list.intNNbrs + 1;
  list.intNbr(k) = x;
  list.dblNbrLen(k) = length;
  list.intNNbrs = static_cast<int16_t>(k);
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
  return std::any_of(lists.begin(), lists.end(), [](const auto& entry) { return entry.second.intNNbrs > 0; });
}

void ReplaceLoadedLists(const GatheredLists& lists) {
  ClearNeighbourLists();
  for (const auto& [y, list] : lists) {
    if (list.intNNbrs == 0) continue;
    FilledRecords().push_back(y);
    udtBB& bb = arrBB(y);
    for (int k = 1; k <= list.intNNbrs; ++k) {
      bb.intNbr(k) = list.intNbr(k);
      bb.dblNbrLen(k) = list.dblNbrLen(k);
    }
    bb.intNNbrs = list.intNNbrs;
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
