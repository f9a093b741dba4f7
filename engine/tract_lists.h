// Bookkeeping shared by the tract operations (adding an IBB, moving one):
// the neighbour entries an IBB brings to a tract, joining it, the boundary
// lengths, and the report of a list limit.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine.h"
#include "list_ops.h"

namespace qel {

// What IBB i's joining a tract adds to it, gathered before anything changes.
struct TractJoin {
  PendingEntries add;  // entries appended to the tract's neighbour list, in order
  int removedAt = 0;   // first position of i in that list; 0 when i is not listed
};

// Tests whether IBB i (not a member of tract t) can join t, and gathers the
// entries that its joining appends to t's neighbour list: the IBBs of i's
// neighbouring blocks (0 for the outside) that are neither i, nor a member
// of t, nor listed by t, each once, in the order of i's blocks.
JoinLimit PrepareJoin(const udtTract& t, int i, TractJoin& join);

// While tract t grows by AddIBBToTract alone, as an initial aggregation
// grows it, its lists are marked for PrepareJoin once instead of at each
// call; nothing else may change a tract until EndTractGrowth.
void BeginTractGrowth(int t);
void EndTractGrowth();
struct TractGrowth {
  explicit TractGrowth(int t) { BeginTractGrowth(t); }
  ~TractGrowth() { EndTractGrowth(); }
  TractGrowth(const TractGrowth&) = delete;
  TractGrowth& operator=(const TractGrowth&) = delete;
};

// IBB i joins tract tn as the PrepareJoin just before found: population,
// homogeneity sums and area grow by i's, i becomes the last member, leaves
// the neighbour list, whose new entries are appended, and names tn as its
// tract. With `lengths` (the tract's lengths being current) the lengths move
// with their entries and i's are added to them, last as i is the last
// member, and the squared perimeter follows; otherwise lengths and squared
// perimeter are left to the caller, as is the homogeneity total.
void JoinTract(int tn, int i, const TractJoin& join, bool lengths);

// The IBB of block b (0 for the outside) and an IBB's record, read without
// marking the tables as written.
inline int BlockIBB(int b) { return std::as_const(arrBB)(b).intIBB; }
inline const udtIBB& IBBRecord(int g) { return std::as_const(arrIBB)(g); }

// Shared length of every neighbour entry (summed over the members' block
// boundaries, members and blocks in order) and the squared perimeter.
void CalcTractBoundary(udtTract& t);
// The squared perimeter from the lengths, added in list order.
void CalcTractP2(udtTract& t);

// Whether every tract's lengths and squared perimeter are what its members
// give, as after the aggregation's last step and after every move. A move
// then adds the moving IBB's lengths to the receiving tract instead of
// summing all its members again: the sum comes out the same, bit for bit,
// since the new member is the last one. The operations that leave lengths
// stale clear it.
void SetTractLengthsCurrent(bool current);
bool TractLengthsCurrent();

// Proportions from the sums; a tract whose total is 0 (up to rounding left
// by adding and subtracting) gets proportions of 0 instead of a division.
void CalcTractHomProps(udtTract& t);

// Copies a tract record's values and the entries of its lists in use;
// entries past a list's count are never read.
void CopyTract(udtTract& to, const udtTract& from);

// The first half of MergeTracts: tract intFrom's members, neighbours,
// population, homogeneity sums and area join tract intInto, and its members
// name intInto, while its record stays where it is. False, after the
// message, when the merged tract would pass a list limit: nothing changed.
bool AbsorbTract(int16_t intFrom, int16_t intInto);

// Takes the tracts flagged in `gone` (by number, 1 to intNTracts) out of
// the table at once, as RemoveTract would one after the other.
void RemoveTracts(const std::vector<char>& gone);

// Takes tract t out of the table (after a merge, or once it has lost its
// last member): the tracts above it move down one number, and so do the
// tract numbers of their IBBs.
void RemoveTract(int16_t t);

// Shows a limit met by a tract operation, once per prompt until the next
// reset: the run meets the same limit at every trial, and one box tells the
// user as much as a thousand. The preparation of each run resets it.
void ReportTractLimit(const std::string& prompt, const std::string& title);
void ResetTractLimitReports();

}  // namespace qel
