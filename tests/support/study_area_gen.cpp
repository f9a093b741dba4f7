#include "study_area_gen.h"

#include <algorithm>
#include <cmath>

#include "engine.h"

namespace qeltest {

namespace {

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
    for (size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[static_cast<size_t>(Below(static_cast<int>(i)))]);
  }
};

constexpr int kWater = -2, kFree = -1;

// Offset-row hexagonal grid: each cell has six neighbours and three cells
// meet at every corner.
struct HexGrid {
  int cols, rows;
  std::vector<int> cell;  // kWater, kFree or a block index
  int At(int x, int y) const { return y * cols + x; }
  // Neighbour d (0..5) of cell c, or -1 off the grid.
  int Nbr(int c, int d) const {
    const int x = c % cols, y = c / cols, odd = y & 1;
    static const int dx[2][6] = {{-1, 1, -1, 0, -1, 0}, {-1, 1, 0, 1, 0, 1}};
    static const int dy[6] = {0, 0, -1, -1, 1, 1};
    const int nx = x + dx[odd][d], ny = y + dy[d];
    return nx < 0 || ny < 0 || nx >= cols || ny >= rows ? -1 : At(nx, ny);
  }
};

// Blocks grow from their cells over free land, one cell at a time from a
// randomly chosen growing cell, until no free land is left.
void GrowRegions(HexGrid& g, std::vector<int> active, Rng& rng) {
  while (!active.empty()) {
    const int k = rng.Below(static_cast<int>(active.size()));
    const int c = active[static_cast<size_t>(k)];
    int free[6], n = 0;
    for (int d = 0; d < 6; ++d) {
      const int x = g.Nbr(c, d);
      if (x >= 0 && g.cell[static_cast<size_t>(x)] == kFree) free[n++] = x;
    }
    if (n == 0) {
      active[static_cast<size_t>(k)] = active.back();
      active.pop_back();
      continue;
    }
    const int x = free[rng.Below(n)];
    g.cell[static_cast<size_t>(x)] = g.cell[static_cast<size_t>(c)];
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
  for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
  rng.Shuffle(order);
  // One seed in every `within` group first, then the rest in random order.
  std::vector<int> seenGroups;
  std::vector<char> first(static_cast<size_t>(n), 0);
  for (int b : order) {
    const int w = within[static_cast<size_t>(b)];
    if (std::find(seenGroups.begin(), seenGroups.end(), w) != seenGroups.end()) continue;
    seenGroups.push_back(w);
    first[static_cast<size_t>(b)] = 1;
  }
  std::stable_partition(order.begin(), order.end(), [&](int b) { return first[static_cast<size_t>(b)] != 0; });
  std::vector<std::vector<int>> front(static_cast<size_t>(nZones));
  for (int z = 0; z < nZones && z < n; ++z) {
    zone[static_cast<size_t>(order[static_cast<size_t>(z)])] = z;
    front[static_cast<size_t>(z)].push_back(order[static_cast<size_t>(z)]);
  }
  for (bool grew = true; grew;) {
    grew = false;
    for (auto& f : front) {
      for (size_t i = 0; i < f.size(); ++i) {
        const int b = f[i];
        const int z = zone[static_cast<size_t>(b)];
        auto it = std::find_if(adj[static_cast<size_t>(b)].begin(), adj[static_cast<size_t>(b)].end(), [&](int x) {
          return zone[static_cast<size_t>(x)] < 0 && within[static_cast<size_t>(x)] == within[static_cast<size_t>(b)];
        });
        if (it == adj[static_cast<size_t>(b)].end()) continue;
        zone[static_cast<size_t>(*it)] = z;
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
void FillValues(GenArea& a, const GenSpec& spec, Rng& rng) {
  for (size_t r = 1; r < a.blocks.size(); ++r) {
    GenBlock& b = a.blocks[r];
    const int roll = rng.Below(100);
    b.popA = roll < 10 ? 0 : roll < 99 ? rng.Below(3000) : 40000 + rng.Below(60000);
    b.popB = rng.Below(100) < 8 ? 0 : std::round(b.popA * (0.5 + rng.Unit()));
    if (rng.Below(100) < 3) b.area = 0;
    b.hom.assign(static_cast<size_t>(spec.homVars), 0.0);
    for (int v = 0; v < spec.homVars; ++v) b.hom[static_cast<size_t>(v)] = rng.Below(4) == 0 ? 0 : rng.Below(100);
    if (spec.homVars >= 2) {
      b.hom[0] = std::round(b.popA * rng.Unit());
      b.hom[1] = b.popA - b.hom[0];
    }
  }
  a.blocks[0].hom.assign(static_cast<size_t>(spec.homVars), 0.0);
}

std::string Num(double v) { return qel::Str(v); }

}  // namespace

GenArea MakeHexArea(const GenSpec& spec) {
  Rng rng{spec.seed * 7919ull + 17};
  const int special = spec.lakes + spec.islands + spec.enclaves;
  const int need = static_cast<int>(spec.blocks * spec.cellsPerBlock) + 8 * special;
  HexGrid g{std::max(8, static_cast<int>(std::sqrt(need * 1.5))), 0, {}};
  g.rows = std::max(8, need / g.cols + 1);
  // Lakes, islands and enclaves sit on a coarse lattice, five cells apart,
  // so no two of them can close a ring of water around land.
  std::vector<int> sites;
  for (;; ++g.rows) {
    sites.clear();
    for (int y = 2; y <= g.rows - 3; y += 5)
      for (int x = 2; x <= g.cols - 3; x += 5) sites.push_back(g.At(x, y));
    if (static_cast<int>(sites.size()) >= special) break;
  }
  rng.Shuffle(sites);
  g.cell.assign(static_cast<size_t>(g.cols * g.rows), kFree);
  int nBlocks = 0;
  std::vector<int> active;
  for (int s = 0; s < special; ++s) {
    const int c = sites[static_cast<size_t>(s)];
    if (s < spec.lakes) {  // the site and up to two ring cells
      g.cell[static_cast<size_t>(c)] = kWater;
      for (int d = 0; d < 2; ++d)
        if (rng.Below(2)) g.cell[static_cast<size_t>(g.Nbr(c, d + 2))] = kWater;
    } else if (s < spec.lakes + spec.islands) {  // one cell ringed by water
      for (int d = 0; d < 6; ++d) g.cell[static_cast<size_t>(g.Nbr(c, d))] = kWater;
      g.cell[static_cast<size_t>(c)] = nBlocks++;
    } else {  // a ring that one block holds around another
      for (int d = 0; d < 6; ++d) {
        g.cell[static_cast<size_t>(g.Nbr(c, d))] = nBlocks;
        active.push_back(g.Nbr(c, d));
      }
      g.cell[static_cast<size_t>(c)] = nBlocks + 1;
      nBlocks += 2;
    }
  }
  std::vector<int> freeCells;
  for (int c = 0; c < g.cols * g.rows; ++c)
    if (g.cell[static_cast<size_t>(c)] == kFree) freeCells.push_back(c);
  rng.Shuffle(freeCells);
  for (size_t k = 0; nBlocks < spec.blocks && k < freeCells.size(); ++k) {
    g.cell[static_cast<size_t>(freeCells[k])] = nBlocks++;
    active.push_back(freeCells[k]);
  }
  GrowRegions(g, active, rng);

  // Blocks go to records in random order; record 1 is the outside.
  std::vector<int> record(static_cast<size_t>(nBlocks));
  for (int b = 0; b < nBlocks; ++b) record[static_cast<size_t>(b)] = b + 2;
  rng.Shuffle(record);
  GenArea a;
  a.blocks.resize(static_cast<size_t>(nBlocks) + 1);
  std::vector<std::vector<int>> adj(static_cast<size_t>(nBlocks));
  for (int c = 0; c < g.cols * g.rows; ++c) {
    const int b = g.cell[static_cast<size_t>(c)];
    if (b < 0) continue;
    const int rb = record[static_cast<size_t>(b)];
    a.blocks[static_cast<size_t>(rb - 1)].area += 0.5 + rng.Unit();
    for (int d = 0; d < 6; ++d) {
      const int n = g.Nbr(c, d);
      const int nb = n < 0 ? kWater : g.cell[static_cast<size_t>(n)];
      if (nb >= 0 && n < c) continue;  // seen from n
      // Now and then an arc inside a block, with the block on both sides.
      if (nb == b && rng.Below(30) != 0) continue;
      const int rn = nb < 0 ? 1 : record[static_cast<size_t>(nb)];
      const double len = rng.Below(20) == 0 ? 0.0 : std::round((0.3 + 1.4 * rng.Unit()) * 1000) / 1000;
      a.arcs.push_back(rng.Below(2) ? GenArc{rb, rn, len} : GenArc{rn, rb, len});
      if (nb >= 0 && nb != b) {
        adj[static_cast<size_t>(rb - 2)].push_back(rn - 2);
        adj[static_cast<size_t>(rn - 2)].push_back(rb - 2);
      }
    }
  }
  rng.Shuffle(a.arcs);

  const std::vector<int> none(static_cast<size_t>(nBlocks), 0);
  const std::vector<int> zoneA = GrowZones(adj, spec.zonesA, none, rng);
  const std::vector<int> zoneB = GrowZones(adj, std::max(spec.zonesB, spec.zonesA), zoneA, rng);
  std::vector<int> ids(static_cast<size_t>(nBlocks));
  for (int b = 0; b < nBlocks; ++b) ids[static_cast<size_t>(b)] = 1000 + 3 * b + rng.Below(3);
  rng.Shuffle(ids);
  a.blocks[0] = GenBlock{1, 30000, -99, 0, 0, 0, {}};
  for (int i = 0; i < nBlocks; ++i) {
    GenBlock& b = a.blocks[static_cast<size_t>(i + 1)];
    b.id = ids[static_cast<size_t>(i)];
    b.zoneA = 30001 + 2 * zoneA[static_cast<size_t>(i)];
    b.zoneB = zoneB[static_cast<size_t>(i)] - 3;
  }
  FillValues(a, spec, rng);
  return a;
}

GenArea MakeStrip(int n, unsigned seed) {
  Rng rng{seed * 104729ull + 3};
  GenArea a;
  a.blocks.resize(static_cast<size_t>(n) + 1);
  a.blocks[0] = GenBlock{1, 0, 0, 0, 0, 0, {}};
  for (int i = 1; i <= n; ++i) {
    const int r = i + 1;
    a.blocks[static_cast<size_t>(i)] = GenBlock{5000 + i, 100 + (i - 1) / 5, 200 + (i - 1) / 3, 0, 0, 1.0, {}};
    a.arcs.push_back({r, 1, 2.0 + (i == 1 || i == n ? 0.5 : 0.0)});
    if (i < n) a.arcs.push_back({r, r + 1, 0.5});
  }
  GenSpec none;
  none.homVars = 0;
  FillValues(a, none, rng);
  return a;
}

std::string PatText(const GenArea& area, bool header, bool crlf) {
  const std::string eol = crlf ? "\r\n" : "\n";
  std::string s = header ? "BLOCK COUNTY TRACT POPA POPB AREA" + eol : "";
  for (const GenBlock& b : area.blocks) {
    s += std::to_string(b.id) + " " + std::to_string(b.zoneA) + " " + std::to_string(b.zoneB) + " " + Num(b.popA) +
         " " + Num(b.popB) + " " + Num(b.area);
    for (double h : b.hom) s += " " + Num(h);
    s += eol;
  }
  return s;
}

std::string CtgText(const GenArea& area, bool crlf) {
  std::string s;
  for (const GenArc& a : area.arcs)
    s += std::to_string(a.a) + "  " + std::to_string(a.b) + " " + Num(a.length) + (crlf ? "\r\n" : "\n");
  return s;
}

}  // namespace qeltest
