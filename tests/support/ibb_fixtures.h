// Study areas set up by hand for the aggregation and objective tests:
// building blocks with their adjacency, and intermediate building blocks
// grouped as a test needs them (the run preparation is tested elsewhere).
#pragma once

#include <vector>

namespace qeltest {

struct BlockSpec {
  int zoneA = 1;
  int zoneB = 1;
  double popA = 0;
  double popB = 0;
  double area = 1;
  std::vector<double> hom;
};

// Record 1 is the outside; blocks[k] becomes record k + 2. Neighbour lists
// start empty.
void MakeBlocks(const std::vector<BlockSpec>& blocks);

// Blocks a and b share a boundary of the given length (record 1, the
// outside, gets no list of its own).
void Touch(int a, int b, double length = 1.0);

// IBBs from groups of block record numbers, in order: members, population
// (layer of intPopLayer), area, homogeneity sums, neighbour list of the
// blocks touching a member from outside (first occurrence order) with the
// summed lengths, and every member's intIBB. Every intID is positive.
void MakeIBBs(const std::vector<std::vector<int>>& groups);

// One IBB per block 2..intNRecs, in block order.
void MakeSingleBlockIBBs();

// Blocks that share a zone A code form one IBB (numbered by lowest block).
void MakeZoneAIBBs();

// Turns the homogeneity term on with the given group sizes and computes each
// IBB's total and the overall references as the run preparation does.
void SetHomogeneity(const std::vector<int>& groupSizes);

}  // namespace qeltest
