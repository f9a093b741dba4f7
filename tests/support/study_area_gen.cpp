#include "study_area_gen.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <stdexcept>

#include "engine.h"
#include "test_support.h"

namespace qeltest {

namespace {

template <class V>
auto& At(V& v, int i) {
  return v[static_cast<size_t>(i)];
}

// splitmix64: the same numbers everywhere, unlike the standard distributions.
struct Rng {
  uint64_t s;
  uint64_t Next() {
    uint64_t z = (s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
  template <class T>
  void Shuffle(std::vector<T>& v) {
    for (int i = static_cast<int>(v.size()); i > 1; --i) std::swap(At(v, i - 1), At(v, Below(i)));
  }
};

// ---- Lattice -------------------------------------------------------------------

// Neighbours of cell (x, y) as (record, length), the outside (record 1) first.
std::vector<GenArc> CellNeighbours(const LatticeParams& s, int x, int y) {
  std::vector<GenArc> out;
  double outside = 0;
  const int dx[4] = {0, -1, 1, 0}, dy[4] = {-1, 0, 0, 1};
  for (int d = 0; d < 4; ++d) {
    const int nx = x + dx[d], ny = y + dy[d];
    if (nx < 0 || ny < 0 || nx >= s.cols || ny >= s.rows) {
      outside += s.side;
    } else {
      out.push_back({2 + y * s.cols + x, 2 + ny * s.cols + nx, s.side});
    }
  }
  if (outside > 0) out.insert(out.begin(), {2 + y * s.cols + x, 1, outside});
  return out;
}

}  // namespace

GenArea LatticeArea(const LatticeParams& s) {
  std::mt19937 gen(s.seed);
  std::uniform_int_distribution<int> pop(static_cast<int>(s.minPop), static_cast<int>(s.maxPop)), pct(0, 100);
  const int zaCols = (s.cols + s.zoneASize - 1) / s.zoneASize;
  const int zbCols = (s.cols + s.zoneBSize) / s.zoneBSize + 1;
  GenArea a;
  a.blocks.push_back({1, 0, 0, 0, 0, 0, std::vector<double>(static_cast<size_t>(s.nHomVars), 0.0)});
  for (int y = 0; y < s.rows; ++y) {
    for (int x = 0; x < s.cols; ++x) {
      GenBlock c{2 + y * s.cols + x, x / s.zoneASize + y / s.zoneASize * zaCols + 1,
                 (x + 1) / s.zoneBSize + (y + 1) / s.zoneBSize * zbCols + 1, 0, 0, s.side * s.side, {}};
      c.popA = pop(gen);
      c.popB = pop(gen);
      for (int v = 0; v < s.nHomVars; ++v)
        c.hom.push_back(v == 0 ? std::floor(c.popA * pct(gen) / 100.0) : v == 1 ? c.popA - c.hom[0] : pct(gen));
      a.blocks.push_back(c);
      for (const GenArc& arc : CellNeighbours(s, x, y))  // each arc once
        if (arc.b == 1 || arc.b > arc.a) a.arcs.push_back(arc);
    }
  }
  return a;
}

void BuildLattice(const LatticeParams& s) {
  using namespace qel;
  const GenArea a = LatticeArea(s);
  if (a.Records() > kTableSize) throw std::runtime_error("lattice too large");
  intNRecs = static_cast<int16_t>(a.Records());
  arrBB(1) = udtBB{};
  arrBB(1).intID = 1;
  dblTotPopA = dblTotPopB = 0;
  for (int r = 2; r <= intNRecs; ++r) {
    const GenBlock& c = At(a.blocks, r - 1);
    udtBB& b = arrBB(r);
    b = udtBB{};
    b.intID = static_cast<int16_t>(r);
    b.intZoneA = static_cast<int16_t>(c.zoneA);
    b.intZoneB = static_cast<int16_t>(c.zoneB);
    b.dblPopA = c.popA;
    b.dblPopB = c.popB;
    b.dblArea = c.area;
    for (int v = 0; v < s.nHomVars; ++v) b.dblHom(v + 1) = At(c.hom, v);
    for (const GenArc& arc : CellNeighbours(s, (r - 2) % s.cols, (r - 2) / s.cols)) {
      b.intNbr(++b.intNNbrs) = static_cast<int16_t>(arc.b);
      b.dblNbrLen(b.intNNbrs) = arc.length;
    }
    dblTotPopA += c.popA;
    dblTotPopB += c.popB;
  }
  intNHomVars = static_cast<int16_t>(s.nHomVars);
  blnDemoFile = false;
}

// ---- Irregular areas --------------------------------------------------------------

namespace {

constexpr int kWater = -2, kFree = -1;

// Offset-row hexagonal grid: each cell has six neighbours.
struct HexGrid {
  int cols, rows;
  std::vector<int> cell;  // kWater, kFree or a block index
  int Index(int x, int y) const { return y * cols + x; }
  // Neighbour d (0..5) of cell c, or -1 off the grid.
  int Nbr(int c, int d) const {
    static const int dx[2][6] = {{-1, 1, -1, 0, -1, 0}, {-1, 1, 0, 1, 0, 1}};
    static const int dy[6] = {0, 0, -1, -1, 1, 1};
    const int nx = c % cols + dx[(c / cols) & 1][d], ny = c / cols + dy[d];
    return nx < 0 || ny < 0 || nx >= cols || ny >= rows ? -1 : Index(nx, ny);
  }
};

// Blocks grow from their cells over free land, one cell at a time from a
// randomly chosen growing cell, until no free land is left.
void GrowRegions(HexGrid& g, std::vector<int> active, Rng& rng) {
  while (!active.empty()) {
    const int k = rng.Below(static_cast<int>(active.size()));
    const int c = At(active, k);
    int free[6], n = 0;
    for (int d = 0; d < 6; ++d)
      if (const int x = g.Nbr(c, d); x >= 0 && At(g.cell, x) == kFree) free[n++] = x;
    if (n == 0) {
      At(active, k) = active.back();
      active.pop_back();
      continue;
    }
    const int x = free[rng.Below(n)];
    At(g.cell, x) = At(g.cell, c);
    active.push_back(x);
  }
}

// Zones grown over block adjacency in rounds, so their sizes stay alike. A
// zone only takes blocks whose `within` value equals its seed's; blocks no
// seed reaches (islands) join a random zone and make it non-contiguous.
std::vector<int> GrowZones(const std::vector<std::vector<int>>& adj, int nZones, const std::vector<int>& within,
                           Rng& rng) {
  const int n = static_cast<int>(adj.size());
  std::vector<int> zone(static_cast<size_t>(n), -1), order(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) At(order, i) = i;
  rng.Shuffle(order);
  // One seed in every `within` group first, then the rest in random order.
  std::vector<int> seenGroups;
  std::vector<char> first(static_cast<size_t>(n), 0);
  for (int b : order) {
    if (std::find(seenGroups.begin(), seenGroups.end(), At(within, b)) != seenGroups.end()) continue;
    seenGroups.push_back(At(within, b));
    At(first, b) = 1;
  }
  std::stable_partition(order.begin(), order.end(), [&](int b) { return At(first, b) != 0; });
  std::vector<std::vector<int>> front(static_cast<size_t>(nZones));
  for (int z = 0; z < nZones && z < n; ++z) {
    At(zone, At(order, z)) = z;
    At(front, z).push_back(At(order, z));
  }
  for (bool grew = true; grew;) {
    grew = false;
    for (auto& f : front) {
      for (size_t i = 0; i < f.size(); ++i) {
        const int b = f[i];
        const auto& nb = At(adj, b);
        auto it = std::find_if(nb.begin(), nb.end(),
                               [&](int x) { return At(zone, x) < 0 && At(within, x) == At(within, b); });
        if (it == nb.end()) continue;
        At(zone, *it) = At(zone, b);
        f.push_back(*it);
        grew = true;
        break;
      }
    }
  }
  for (int& z : zone)
    if (z < 0) z = rng.Below(nZones);
  return zone;
}

// Populations with zeros and a few very large values; areas with zeros.
void FillValues(GenArea& a, const GenParams& params, Rng& rng) {
  for (size_t r = 1; r < a.blocks.size(); ++r) {
    GenBlock& b = a.blocks[r];
    const int roll = rng.Below(100);
    b.popA = roll < 10 ? 0 : roll < 99 ? rng.Below(3000) : 40000 + rng.Below(60000);
    b.popB = rng.Below(100) < 8 ? 0 : std::round(b.popA * (0.5 + rng.Unit()));
    if (rng.Below(100) < 3) b.area = 0;
    b.hom.assign(static_cast<size_t>(params.homVars), 0.0);
    for (double& h : b.hom) h = rng.Below(4) == 0 ? 0 : rng.Below(100);
    if (params.homVars >= 2) {
      b.hom[0] = std::round(b.popA * rng.Unit());
      b.hom[1] = b.popA - b.hom[0];
    }
  }
  a.blocks[0].hom.assign(static_cast<size_t>(params.homVars), 0.0);
}

}  // namespace

GenArea MakeHexArea(const GenParams& params) {
  Rng rng{params.seed * 7919ull + 17};
  const int special = params.lakes + params.islands + params.enclaves;
  const int need = static_cast<int>(params.blocks * params.cellsPerBlock) + 8 * special;
  HexGrid g{std::max(8, static_cast<int>(std::sqrt(need * 1.5))), 0, {}};
  g.rows = std::max(8, need / g.cols + 1);
  // Lakes, islands and enclaves sit on a coarse lattice, five cells apart,
  // so no two of them can close a ring of water around land.
  std::vector<int> sites;
  for (;; ++g.rows) {
    sites.clear();
    for (int y = 2; y <= g.rows - 3; y += 5)
      for (int x = 2; x <= g.cols - 3; x += 5) sites.push_back(g.Index(x, y));
    if (static_cast<int>(sites.size()) >= special) break;
  }
  rng.Shuffle(sites);
  g.cell.assign(static_cast<size_t>(g.cols * g.rows), kFree);
  int nBlocks = 0;
  std::vector<int> active;
  for (int s = 0; s < special; ++s) {
    const int c = At(sites, s);
    if (s < params.lakes) {  // the site and up to two ring cells
      At(g.cell, c) = kWater;
      for (int d = 2; d < 4; ++d)
        if (rng.Below(2)) At(g.cell, g.Nbr(c, d)) = kWater;
    } else if (s < params.lakes + params.islands) {  // one cell ringed by water
      for (int d = 0; d < 6; ++d) At(g.cell, g.Nbr(c, d)) = kWater;
      At(g.cell, c) = nBlocks++;
    } else {  // a ring that one block holds around another
      for (int d = 0; d < 6; ++d) {
        At(g.cell, g.Nbr(c, d)) = nBlocks;
        active.push_back(g.Nbr(c, d));
      }
      At(g.cell, c) = nBlocks + 1;
      nBlocks += 2;
    }
  }
  std::vector<int> freeCells;
  for (int c = 0; c < g.cols * g.rows; ++c)
    if (At(g.cell, c) == kFree) freeCells.push_back(c);
  rng.Shuffle(freeCells);
  for (size_t k = 0; nBlocks < params.blocks && k < freeCells.size(); ++k) {
    At(g.cell, freeCells[k]) = nBlocks++;
    active.push_back(freeCells[k]);
  }
  GrowRegions(g, active, rng);

  // Blocks go to records in random order; record 1 is the outside.
  std::vector<int> record(static_cast<size_t>(nBlocks));
  for (int b = 0; b < nBlocks; ++b) At(record, b) = b + 2;
  rng.Shuffle(record);
  GenArea a;
  a.blocks.resize(static_cast<size_t>(nBlocks) + 1);
  std::vector<std::vector<int>> adj(static_cast<size_t>(nBlocks));
  for (int c = 0; c < g.cols * g.rows; ++c) {
    const int b = At(g.cell, c);
    if (b < 0) continue;
    const int rb = At(record, b);
    At(a.blocks, rb - 1).area += 0.5 + rng.Unit();
    for (int d = 0; d < 6; ++d) {
      const int n = g.Nbr(c, d);
      const int nb = n < 0 ? kWater : At(g.cell, n);
      if (nb >= 0 && n < c) continue;  // seen from n
      // Now and then an arc inside a block, with the block on both sides.
      if (nb == b && rng.Below(30) != 0) continue;
      const int rn = nb < 0 ? 1 : At(record, nb);
      const double len = rng.Below(20) == 0 ? 0.0 : std::round((0.3 + 1.4 * rng.Unit()) * 1000) / 1000;
      a.arcs.push_back(rng.Below(2) ? GenArc{rb, rn, len} : GenArc{rn, rb, len});
      if (nb >= 0 && nb != b) {
        At(adj, rb - 2).push_back(rn - 2);
        At(adj, rn - 2).push_back(rb - 2);
      }
    }
  }
  rng.Shuffle(a.arcs);

  const std::vector<int> zoneA = GrowZones(adj, params.zonesA, std::vector<int>(adj.size(), 0), rng);
  const std::vector<int> zoneB = GrowZones(adj, std::max(params.zonesB, params.zonesA), zoneA, rng);
  std::vector<int> ids(static_cast<size_t>(nBlocks));
  for (int b = 0; b < nBlocks; ++b) At(ids, b) = 1000 + 3 * b + rng.Below(3);
  rng.Shuffle(ids);
  a.blocks[0] = GenBlock{1, 30000, -99, 0, 0, 0, {}};
  for (int i = 0; i < nBlocks; ++i) {
    GenBlock& b = At(a.blocks, i + 1);
    b.id = At(ids, i);
    b.zoneA = 30001 + 2 * At(zoneA, i);
    b.zoneB = At(zoneB, i) - 3;
  }
  FillValues(a, params, rng);
  return a;
}

std::string PatText(const GenArea& area, bool header, bool crlf) {
  const std::string eol = crlf ? "\r\n" : "\n";
  std::string s = header ? "BLOCK COUNTY TRACT POPA POPB AREA" + eol : "";
  for (const GenBlock& b : area.blocks) {
    s += std::to_string(b.id) + " " + std::to_string(b.zoneA) + " " + std::to_string(b.zoneB) + " " +
         qel::Str(b.popA) + " " + qel::Str(b.popB) + " " + qel::Str(b.area);
    for (double h : b.hom) s += " " + qel::Str(h);
    s += eol;
  }
  return s;
}

std::string CtgText(const GenArea& area, bool crlf) {
  std::string s;
  for (const GenArc& a : area.arcs)
    s += std::to_string(a.a) + "  " + std::to_string(a.b) + " " + qel::Str(a.length) + (crlf ? "\r\n" : "\n");
  return s;
}

void LoadGenArea(const GenArea& area, const std::filesystem::path& dir) {
  std::ofstream(dir / "gen.pat", std::ios::binary) << PatText(area);
  std::ofstream(dir / "gen.ctg", std::ios::binary) << CtgText(area);
  LoadStudyArea((dir / "gen.pat").string(), (dir / "gen.ctg").string());
}

}  // namespace qeltest
