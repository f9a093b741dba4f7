// Reads the contiguity file, one boundary arc per line, into the neighbour
// lists of arrBB: each block's distinct neighbours with the summed length of
// their shared arcs.
#include "contiguity_reader.h"

#include "engine.h"
#include "list_ops.h"

namespace qel {

namespace {

constexpr int kContiguityChannel = 2;

// True when adding x to block y's list would need a 501st entry.
bool NeighbourListFull(int16_t y, int16_t x) {
  if (y <= 1) return false;  // the outside keeps no list
  const udtBB& bb = arrBB(y);
  return FindEntry(bb.intNbr, bb.intNNbrs, x) == 0 && bb.intNNbrs >= intMaxNbrs;
}

void AddNeighbour(int16_t y, int16_t x, double length) {
  if (y <= 1) return;
  udtBB& bb = arrBB(y);
  int k = FindEntry(bb.intNbr, bb.intNNbrs, x);
  if (k > 0) {
    bb.dblNbrLen(k) += length;
    return;
  }
  k = bb.intNNbrs + 1;
  bb.intNbr(k) = x;
  bb.dblNbrLen(k) = length;
  bb.intNNbrs = static_cast<int16_t>(k);
}

int16_t RecordNumber(const std::string& field) {
  const int16_t r = CInt(field);
  if (r < 1 || r > intNRecs) {
    RaiseSubscriptError("record " + Str(static_cast<int>(r)) + " is not among records 1 to " +
                        Str(static_cast<int>(intNRecs)));
  }
  return r;
}

}  // namespace

void ClearNeighbourLists() {
  for (int r = 1; r <= kTableSize; ++r) {
    udtBB& bb = arrBB(r);
    bb.intNNbrs = 0;
    bb.intNbr.Fill(0);
    bb.dblNbrLen.Fill(0);
  }
}

void ReadContiguityFile(const std::string& strFile, int16_t& intNArcs) {
  intNArcs = 0;
  int line = 0;  // the line being read, for the message
  try {
    ClearNeighbourLists();
    FileOpenInput(kContiguityChannel, strFile);
    TokenArray tok;
    int16_t nFields = 0;
    while (!FileEof(kContiguityChannel)) {
      ++line;
      if (line > INT16_MAX) RaiseError(kErrOverflow, "Overflow: the file has more than 32767 lines");
      intNArcs = static_cast<int16_t>(line);
      SplitLine(LineInput(kContiguityChannel), tok, nFields);
      if (nFields < 3) {
        RaiseError(kErrTypeMismatch, "Type mismatch: a line needs two record numbers and a length");
      }
      const int16_t a = RecordNumber(tok(1));
      const int16_t b = RecordNumber(tok(2));
      const double length = CDbl(tok(3));
      // An arc with the same block on both sides lies inside that block: it
      // is no boundary with a neighbour, and a block listed as its own
      // neighbour would list an IBB or tract among its own neighbours.
      if (a == b) continue;
      // Both sides are checked before either is written, so the lists stay
      // symmetric when the limit stops the reading.
      if (NeighbourListFull(a, b) || NeighbourListFull(b, a)) {
        MsgBox("Too many zone neighbours on zone file", kMbCritical, "Too many neighbours");
        break;
      }
      AddNeighbour(a, b, length);
      AddNeighbour(b, a, length);
    }
    FileClose(kContiguityChannel);
  } catch (...) {
    RuntimeError e = ErrorFromException(std::current_exception());
    FileAbort(kContiguityChannel);
    // Every failure after the open lies on a line: name it.
    if (line > 0) e = RuntimeError(e.Number(), e.Description() + " (line " + Str(line) + ")");
    ShowErrorBox(e);
  }
}

}  // namespace qel
