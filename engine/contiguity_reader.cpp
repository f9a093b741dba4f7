// Reads the contiguity file, one boundary arc per line, into the neighbour
// lists of arrBB: each block's distinct neighbours with the summed length of
// their shared arcs.
//
// The file's lists are gathered apart and replace the loaded ones only when
// every line has been read and the file yields at least one arc: a file that
// cannot be opened, fails at any line, passes the neighbour limit, is empty
// or names no usable arc leaves the neighbours already loaded as they were.
// The work of a call follows what its file holds, not the size of the tables.
#include "contiguity_reader.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "engine.h"
#include "intersection_file.h"
#include "list_ops.h"

namespace qel {

namespace {

constexpr int kContiguityChannel = 2;

// The blocks' neighbour lists as the file gives them so far: each block's
// neighbours in the order in which they first appear, each with the summed
// length of its arcs. The entries of a block are chained in that order.
struct GatheredLists {
  struct Entry {
    int16_t block;
    double length;
    int next;  // the block's next entry, -1 after its last
  };
  std::vector<Entry> entries;
  std::vector<int> first, last;  // by record number, -1 while it has none
  std::vector<int16_t> count;

  explicit GatheredLists(int records)
      : first(static_cast<std::size_t>(records) + 1, -1),
        last(static_cast<std::size_t>(records) + 1, -1),
        count(static_cast<std::size_t>(records) + 1, 0) {
    entries.reserve(static_cast<std::size_t>(records) * 4);  // room for a lattice's lists
  }

  // The entry of x in y's list, -1 when x is not there.
  int Find(int16_t y, int16_t x) const {
    int e = first[static_cast<std::size_t>(y)];
    while (e >= 0 && entries[static_cast<std::size_t>(e)].block != x) e = entries[static_cast<std::size_t>(e)].next;
    return e;
  }
};

// True when adding x to block y's list would need a 501st entry.
bool ListFull(const GatheredLists& lists, int16_t y, int16_t x) {
  if (y <= 1) return false;  // the outside keeps no list
  return lists.Find(y, x) < 0 && lists.count[static_cast<std::size_t>(y)] >= NeighbourLimit();
}

void AddNeighbour(GatheredLists& lists, int16_t y, int16_t x, double length) {
  if (y <= 1) return;
  const int e = lists.Find(y, x);
  if (e >= 0) {
    lists.entries[static_cast<std::size_t>(e)].length += length;
    return;
  }
  const auto k = static_cast<std::size_t>(y);
  const int added = static_cast<int>(lists.entries.size());
  lists.entries.push_back({x, length, -1});
  if (lists.last[k] >= 0) {
    lists.entries[static_cast<std::size_t>(lists.last[k])].next = added;
  } else {
    lists.first[k] = added;
  }
  lists.last[k] = added;
  ++lists.count[k];
}

int16_t RecordNumber(std::string_view field) {
  const int16_t r = CInt(field);
  if (r < 1 || r > intNRecs) {
    RaiseSubscriptError("record " + Str(static_cast<int>(r)) + " is not among records 1 to " +
                        Str(static_cast<int>(intNRecs)));
  }
  return r;
}

// Reads lines until the end of the file; false at the neighbour limit. A
// failing line raises its error. `line` counts the lines read, the failing
// one included.
bool GatherArcs(GatheredLists& lists, int& line) {
  std::string text;
  LineFields fields;
  while (!FileEof(kContiguityChannel)) {
    ++line;
    if (line > INT16_MAX) RaiseError(kErrOverflow, "Overflow: the file has more than 32767 lines");
    SplitFields(LineView(kContiguityChannel, text), fields);
    if (fields.n < 3) RaiseError(kErrTypeMismatch, "Type mismatch: a line needs two record numbers and a length");
    const int16_t a = RecordNumber(fields.field[1]);
    const int16_t b = RecordNumber(fields.field[2]);
    const double length = CDbl(fields.field[3]);
    // An arc with the same block on both sides lies inside that block: it
    // is no boundary with a neighbour, and a block listed as its own
    // neighbour would list an IBB or tract among its own neighbours.
    if (a == b) continue;
    if (ListFull(lists, a, b) || ListFull(lists, b, a)) return false;
    AddNeighbour(lists, a, b, length);
    AddNeighbour(lists, b, a, length);
  }
  return true;
}

bool AnyArc(const GatheredLists& lists) { return !lists.entries.empty(); }

void ReplaceLoadedLists(const GatheredLists& lists) {
  ClearNeighbourLists();
  for (std::size_t y = 1; y < lists.first.size(); ++y) {
    if (lists.count[y] == 0) continue;
    udtBB& bb = arrBB(static_cast<int>(y));
    int k = 0;
    for (int e = lists.first[y]; e >= 0; e = lists.entries[static_cast<std::size_t>(e)].next) {
      ++k;
      bb.intNbr(k) = lists.entries[static_cast<std::size_t>(e)].block;
      bb.dblNbrLen(k) = lists.entries[static_cast<std::size_t>(e)].length;
    }
    bb.intNNbrs = lists.count[y];
  }
}

}  // namespace

// Only the records the table has used can hold a list: a clear costs what
// was loaded rather than the whole table.
void ClearNeighbourLists() {
  for (int r = 1; r <= arrBB.Used(); ++r) {
    udtBB& bb = arrBB(r);
    // Entries past the count hold nothing: only those in use are cleared.
    const int n = std::clamp<int>(bb.intNNbrs, 0, kListSize);
    for (int k = 1; k <= n; ++k) {
      bb.intNbr(k) = 0;
      bb.dblNbrLen(k) = 0;
    }
    bb.intNNbrs = 0;
  }
}

void ReadContiguityFile(const std::string& strFile, int16_t& intNArcs) {
  intNArcs = 0;
  GatheredLists lists(std::clamp<int>(intNRecs, 0, kTableSize));
  int line = 0;  // the line being read, for the message
  try {
    FileOpenInput(kContiguityChannel, strFile);
    const bool whole = GatherArcs(lists, line);
    FileClose(kContiguityChannel);
    if (!whole) {
      MsgBox("Too many zone neighbours on zone file (" + FileLine(strFile, line) + ")", kMbCritical,
             "Too many neighbours");
      return;
    }
  } catch (...) {
    FileAbort(kContiguityChannel);
    ShowErrorBox(InFile(ErrorFromException(std::current_exception()), strFile, line));
    return;
  }
  if (!AnyArc(lists)) {
    MsgBox("The contiguity file " + strFile + " holds no usable arc; nothing was loaded", kMbExclamation,
           "Contiguity file");
    return;
  }
  ReplaceLoadedLists(lists);
  intNArcs = static_cast<int16_t>(line);
}

}  // namespace qel
