// What the two initial aggregations share: seeding a tract, merging tracts
// below the threshold, the values computed once the tracts stand (boundary
// lengths, squared perimeters, homogeneity) and clearing the allocation marks.
#pragma once

#include <cstdint>

namespace qel {

// Fills tract t with IBB i as its only member: number, population, area,
// the allocation mark and intTract of i, and the neighbour list (distinct
// IBBs of i's neighbouring blocks in order of first occurrence, 0 for the
// outside) with lengths left at 0.
void SeedTract(int16_t t, int16_t i);

// Each tract below dblThreshold absorbs its neighbouring tract of smallest
// population, again and again, until it reaches the threshold. A tract with
// at most one neighbour entry, with no neighbouring tract to take, or whose
// merge is refused is left as it is and counted in intIslandsSkipped.
void MergeSmallTracts();

// Shared boundary length of every neighbour entry and the squared perimeter
// of every tract, computed afresh from the members.
void ComputeTractLengths();

// Homogeneity total, sums and proportions of every tract from its members.
void ComputeTractHomogeneity();

// Completes the tracts for the objective: lengths, and homogeneity when the
// term is on.
void FinishTracts();

// Makes every allocation mark positive again. An IBB that was never
// allocated names no tract (intTract 0); returns the first such IBB, or 0.
int16_t ClearAllocationMarks();

}  // namespace qel
