// From-scratch checks of the tract table, and tract solutions built for tests.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "engine.h"
#include "test_support.h"

namespace qeltest {

// The first difference between tracts 1..intNTracts and what their members
// give, or "" when there is none: valid members whose intTract names the
// tract, no IBB in two tracts, dblPop and dblArea the members' sums, the
// neighbour list (0 for the outside) as a set without repeats. `complete`
// adds what AddIBBToTract and MergeTracts leave stale: every IBB in a tract,
// each dblNbrLen, dblP2 and, with blnHomog, the homogeneity sums, total and
// proportions. Values compare relative to max(1, |expected|).
std::string TractsDiffer(bool complete, double tol = 1e-6);
inline void ExpectTractsConsistent() { EXPECT_EQ(TractsDiffer(true), ""); }
inline void ExpectTractListsConsistent() { EXPECT_EQ(TractsDiffer(false), ""); }

// The tract's member IBBs form one connected graph (two IBBs are adjacent
// when a neighbouring block of one lies in the other). An empty tract is not.
bool IsTractConnected(int t);

// Entries 1..n of a list inside a record, in order, and as a set.
std::vector<int> Entries(const qel::List16& list, int n);
std::vector<int> TractMemberList(int t);
std::vector<int> TractNbrList(int t);
std::set<int> TractMemberSet(int t);
std::set<int> TractNeighbourSet(int t);
// The neighbour set computed from the members.
std::set<int> ExpectedTractNeighbourSet(int t);

// The bytes of the tract count, every field of tracts 1..intNTracts and
// every IBB's intTract, to show that a refused operation wrote nothing.
std::string TractTableBytes();
inline void ExpectTractTableUnchanged(const std::string& before) {
  EXPECT_TRUE(TractTableBytes() == before) << "the tract table changed";
}

// Makes IBB i the only member of tract t, as the aggregations seed a tract,
// and raises intNTracts to t when it is lower.
void StartTract(int t, int i);
// Tract t of the given IBBs: the first seeded, the rest added in order.
void MakeTract(int t, const std::vector<int>& ibbs);
// Empties the table and grows tracts of up to `members` IBBs: each unplaced
// IBB, in number order, starts a tract that takes unplaced neighbouring IBBs
// breadth-first through AddIBBToTract. Then FinishTractsFromScratch.
void GrowTracts(int members);
// Lengths, squared perimeters and homogeneity values of every tract computed
// directly from the members, as the aggregations leave them.
void FinishTractsFromScratch();

// A lattice of cols x rows cells with no layer fixed, its IBBs built (cell
// (x, y) is IBB 1 + y * cols + x), the tract table empty and no IBB naming a
// tract. With homogeneity variables the term is on, all in the first group.
void SingleCellLattice(int cols, int rows, int homVars = 0);

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
