// Bookkeeping shared by the tract operations (adding an IBB, moving one):
// the neighbour entries an IBB brings to a tract, joining it, the boundary
// lengths, and the report of a list limit.
#pragma once

#include <cstdint>
#include <string>

#include "engine.h"
#include "list_ops.h"

namespace qel {

// Tests whether IBB i (not a member of tract t) can join t, and gathers in
// `add` the entries that its joining appends to t's neighbour list: the IBBs
// of i's neighbouring blocks (0 for the outside) that are neither i, nor a
// member of t, nor listed by t, each once, in the order of i's blocks.
JoinLimit PrepareJoin(const udtTract& t, int i, PendingEntries& add);

// IBB i joins tract tn: population, homogeneity sums and area grow by i's,
// i becomes the last member, leaves the neighbour list, whose new entries
// `add` are appended, and names tn as its tract. Lengths, squared perimeter
// and the homogeneity total are left to the caller.
void JoinTract(int tn, int i, const PendingEntries& add);

// Shared length of every neighbour entry (summed over the members' block
// boundaries, members and blocks in order) and the squared perimeter.
void CalcTractBoundary(udtTract& t);

// Proportions from the sums; a tract whose total is 0 (up to rounding left
// by adding and subtracting) gets proportions of 0 instead of a division.
void CalcTractHomProps(udtTract& t);

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
