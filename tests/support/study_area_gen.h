// Generated study areas that look like census geography: irregular blocks
// grown over a hexagonal cell grid (three blocks meet at a point), lakes,
// islands, enclaves with one neighbour, a long thin strip; real-looking block
// numbers and zone codes; zero and very large populations; zero areas,
// zero-length arcs and arcs inside a block. Written as intersection and
// contiguity text files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qeltest {

struct GenBlock {
  int id = 0, zoneA = 0, zoneB = 0;
  double popA = 0, popB = 0, area = 0;
  std::vector<double> hom;
};

struct GenArc {
  int a = 0, b = 0;  // record numbers, 1 = the outside
  double length = 0;
};

// Record 1 (the outside) is blocks[0].
struct GenArea {
  std::vector<GenBlock> blocks;
  std::vector<GenArc> arcs;
  int Records() const { return static_cast<int>(blocks.size()); }
};

struct GenSpec {
  int blocks = 150;    // building blocks (records 2..blocks+1)
  int lakes = 3;       // interior lakes (cells of no block, edges to the outside)
  int islands = 2;     // one-cell blocks ringed by water
  int enclaves = 2;    // blocks wholly inside another block: one neighbour
  int zonesA = 12;     // layer A zones, codes 30001, 30003, ...
  int zonesB = 20;     // layer B zones, codes from -3 upward (0 and negatives)
  int homVars = 0;     // the first two split population A
  double cellsPerBlock = 1.6;
  unsigned seed = 1;
};

// An irregular planar area as described above. Same spec, same area, on
// every platform (the generator draws from its own portable sequence).
GenArea MakeHexArea(const GenSpec& spec);

// A chain of n blocks, each touching the next and the outside.
GenArea MakeStrip(int n, unsigned seed);

// Text of the two files: blank-separated fields, LF or CR LF line ends; the
// intersection file optionally starts with a header line.
std::string PatText(const GenArea& area, bool header, bool crlf);
std::string CtgText(const GenArea& area, bool crlf);

}  // namespace qeltest
