// Generated study areas for the engine tests: square lattices, and irregular
// areas shaped like census geography (blocks grown over a hexagonal grid, so
// three meet at a point; lakes, islands, enclaves with one neighbour; real-
// looking block numbers and zone codes; zero and very large populations;
// zero areas, zero-length arcs and arcs inside a block).
#pragma once

#include <filesystem>
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

// Record r is blocks[r - 1]; record 1 is the outside.
struct GenArea {
  std::vector<GenBlock> blocks;
  std::vector<GenArc> arcs;
  int Records() const { return static_cast<int>(blocks.size()); }
};

// cols x rows square cells of side `side`: cell (x, y) is record
// 2 + y * cols + x. Zone A squares of zoneASize cells, zone B squares of
// zoneBSize offset by one cell; variables 1 and 2 split population A.
struct LatticeParams {
  int cols = 10;
  int rows = 10;
  double side = 1.0;
  int zoneASize = 3;
  int zoneBSize = 2;
  int nHomVars = 0;
  unsigned seed = 1;  // populations vary with the seed
  double minPop = 50;
  double maxPop = 150;
};

// The lattice as the readers would leave it (neighbour lists with the outside
// first, then up, left, right, down), without any file.
void BuildLattice(const LatticeParams& params);
GenArea LatticeArea(const LatticeParams& params);

struct GenParams {
  int blocks = 150;  // building blocks (records 2..blocks+1)
  int lakes = 3;     // interior lakes (cells of no block, edges to the outside)
  int islands = 2;   // one-cell blocks ringed by water
  int enclaves = 2;  // blocks wholly inside another block: one neighbour
  int zonesA = 12;   // layer A zones, codes 30001, 30003, ...
  int zonesB = 20;   // layer B zones nested in A, codes from -3 upward
  int homVars = 0;   // the first two split population A
  double cellsPerBlock = 1.6;
  unsigned seed = 1;
};

// Same parameters, same area, on every platform (a portable generator).
GenArea MakeHexArea(const GenParams& params);

// The two files: blank-separated fields, LF or CR LF line ends; the
// intersection file optionally starts with a header line.
std::string PatText(const GenArea& area, bool header = false, bool crlf = false);
std::string CtgText(const GenArea& area, bool crlf = false);

// Writes both files into dir and reads them as the two load buttons do.
void LoadGenArea(const GenArea& area, const std::filesystem::path& dir);

}  // namespace qeltest
