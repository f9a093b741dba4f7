// From-scratch checks of the IBB and tract tables: each value that the engine
// keeps up to date is recomputed directly from the members and compared.
// Failures are reported through GoogleTest (a few per call at most, so a
// broken table does not flood the output).
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "engine.h"
#include "test_support.h"

namespace qeltest {

// Every tract 1..intNTracts: valid members whose intTract names it; the
// neighbour list, as a set without repeats (0 for the outside), equals the
// IBBs touching the members from outside; each dblNbrLen equals the direct
// sum and dblP2 the squared sum of the lengths; dblPop and dblArea equal the
// members' sums; with blnHomog, dblHomSum, dblHomTotal and dblHomProp match
// the members (proportions 0 where the total is 0). Every IBB 1..intNIBB is
// in exactly one tract. Float comparisons are relative to max(1, |expected|).
void ExpectTractsConsistent(double tol = 1e-6);

// The same without the values that AddIBBToTract and MergeTracts leave stale
// (dblNbrLen, dblP2, and the homogeneity fields), for a solution still being
// built: an IBB may be in no tract yet, but never in two.
void ExpectTractListsConsistent(double tol = 1e-6);

// The tract's member IBBs form one connected graph (two IBBs are adjacent
// when a neighbouring block of one lies in the other). An empty tract is not
// connected.
bool IsTractConnected(int t);

// Every block 2..intNRecs with a positive intID is in exactly one IBB, and
// its intIBB names that IBB; no IBB holds record 1 or an unplaced block.
void ExpectIBBsCoverBlocks();

// Every IBB 1..intNIBB: intID, population (layer of intPopLayer), area,
// homogeneity sums and total (with blnHomog), its neighbour list as a set
// (blocks touching a member, not members themselves) and each shared length.
void ExpectIBBsConsistent(double tol = 1e-6);

// The neighbour entries of tract t as a set, and the set computed from its
// members (0 for the outside).
std::set<int> TractNeighbourSet(int t);
std::set<int> ExpectedTractNeighbourSet(int t);
std::set<int> TractMemberSet(int t);

// The tract table (records 1..intNTracts, whole), the count and every IBB's
// intTract, to show that a refused operation wrote nothing.
struct TractTableSnapshot {
  int16_t nTracts = 0;
  std::vector<qel::udtTract> tracts;
  std::vector<int16_t> ibbTract;
};
TractTableSnapshot TakeTractSnapshot();
void ExpectTractTableUnchanged(const TractTableSnapshot& before);

// ---- Building tract solutions for tests ----------------------------------------

// Makes IBB i the only member of tract t, as the aggregations seed a tract
// (population, area, homogeneity, neighbour list of distinct IBBs), and
// raises intNTracts to t when it is lower.
void StartTract(int t, int i);

// Empties the table (ResetTracts) and grows tracts of up to `members` IBBs:
// each unplaced IBB, in number order, starts a tract that takes unplaced
// neighbouring IBBs breadth-first through AddIBBToTract.
void GrowTracts(int members);

// Lengths, squared perimeters and homogeneity values of every tract computed
// directly from the members, as the aggregations leave them.
void FinishTractsFromScratch();

// A lattice of cols x rows cells with no layer fixed, its IBBs built (IBB g
// is block g + 1, so cell (x, y) is IBB 1 + y * cols + x), the tract table
// empty and no IBB naming a tract. With homogeneity variables the term is
// on, all of them in the first group.
void SingleCellLattice(int cols, int rows, int homVars = 0);

// Tract t of the given IBBs: the first seeded, the rest added in order.
void MakeTract(int t, const std::vector<int>& ibbs);

// Entries 1..n of a list inside a record, in order.
std::vector<int> Entries(const qel::List16& list, int n);

// Entries 1..count of a tract's neighbour and member lists, in order.
std::vector<int> TractNbrList(int t);
std::vector<int> TractMemberList(int t);

// Fixture for tests on single-cell lattices, naming IBBs by their cell.
class TractFixture : public EngineTest {
 protected:
  void Lattice(int cols, int rows, int homVars = 0) {
    cols_ = cols;
    SingleCellLattice(cols, rows, homVars);
  }
  int Cell(int x, int y) const { return 1 + y * cols_ + x; }
  static std::vector<int> Nbrs(int t) { return TractNbrList(t); }
  static std::vector<int> Members(int t) { return TractMemberList(t); }

 private:
  int cols_ = 0;
};

}  // namespace qeltest
