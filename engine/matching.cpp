// The approximate-matching term: for every zone of the matching layer, the
// tract holding the largest share of its population and the population the
// two do not share. With blnWriteLUT the same pass writes the look-up table
// "QELlut.csv" (one line per zone) into the current directory.
#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "block_tract.h"
#include "list_ops.h"
#include "engine.h"
#include "term_cache.h"

namespace qel {

namespace {

constexpr int kLUTChannel = 5;
constexpr const char* kLUTFile = "QELlut.csv";

// The population of a zone's best tract. A zone that no tract shares
// (population 0) has no best tract (0), and the population counts as 0.
double BestTractPop(int16_t best) { return best > 0 ? std::as_const(arrTract)(best).dblPop : 0.0; }

// The tracts of the zone's members, its best tract and share, and its
// mismatch, from the current tracts. A zone of no population keeps the
// mismatch it has.
void UpdateZone(udtZone& z, int16_t& best, double& bestShare) {
  const int nbb = ListCount(z.intNBB);
  const int16_t* bb = ListData(z.intBB);
  int16_t* bbTract = ListData(z.intBBTract);
  const double* bbPop = ListData(z.dblBBPop);
  for (int m = 1; m <= nbb; ++m) bbTract[m] = TractOfBlock(bb[m]);
  // Each tract's share, summed in member order from 0, in a short list of
  // the zone's own tracts.
  int16_t tracts[kListSize];
  double shares[kListSize];
  int n = 0;
  bestShare = 0;
  best = 0;
  for (int m = 1; m <= nbb; ++m) {
    const int16_t t = bbTract[m];
    if (t == 0) continue;  // in no tract: counts only in the zone's outside part
    int k = 0;
    while (k < n && tracts[k] != t) ++k;
    if (k == n) {
      tracts[n] = t;
      shares[n++] = 0;
    }
    shares[k] = bbPop[m] + shares[k];
    if (shares[k] > bestShare) {
      bestShare = shares[k];
      best = t;
    }
  }
  z.intBestTract = best;
  if (z.dblPop > 0) {
    const double Z = z.dblPop;
    const double T = BestTractPop(best);
    const double out = Z - bestShare;
    const double extra = T - bestShare;
    z.dblMismatch = (out * out + extra * extra) / Z;
  }
}

// Populations near the float limit could overflow the squares.
double FiniteApx(double apx) { return std::isfinite(apx) ? apx : kHugeRef; }

std::string LUTLine(const udtZone& z, int16_t best, double share) {
  const double T = BestTractPop(best);
  const double Z = z.dblPop;
  return Str(static_cast<int>(z.intCode)) + "," + Str(Z) + "," + Str(static_cast<int>(best)) +
         "," + Str(T) + "," + Str(share) + "," + Str(Z - share) + "," + Str(T - share);
}

// Gives up the look-up table after a failed write; the term itself goes on.
void AbandonLUT(bool& writing, const RuntimeError& e) {
  FileAbort(kLUTChannel);
  writing = false;
  MsgBox("The look-up table " + std::string(kLUTFile) +
             " could not be written in the current folder: " + e.Description() +
             ". The results of the run are kept.",
         kMbExclamation, "Look-up table");
}

// The zones of each block: those of block r at g_zonesAt[g_first[r]] up to
// g_zonesAt[g_first[r + 1]].
std::vector<int> g_first, g_zonesAt;
Marks g_zoneMarks;
// Each zone's mismatch as the zone table holds it, side by side for the sum,
// and the zones of each best tract, chained, so that a trial finds the zones
// whose best tract a move changed without looking at every zone.
std::array<double, kTableSize + 1> g_mismatch;
std::array<int16_t, kTableSize + 1> g_best, g_prev, g_next;  // by zone; 0 ends a chain
std::array<int16_t, kTableSize + 1> g_firstOfTract;           // by tract

void Unchain(int z) {
  const auto k = static_cast<std::size_t>(z);
  if (g_prev[k] != 0) {
    g_next[static_cast<std::size_t>(g_prev[k])] = g_next[k];
  } else {
    g_firstOfTract[static_cast<std::size_t>(g_best[k])] = g_next[k];
  }
  if (g_next[k] != 0) g_prev[static_cast<std::size_t>(g_next[k])] = g_prev[k];
}

void Chain(int z) {
  const auto k = static_cast<std::size_t>(z);
  int16_t& first = g_firstOfTract[static_cast<std::size_t>(g_best[k])];
  g_prev[k] = 0;
  g_next[k] = first;
  if (first != 0) g_prev[static_cast<std::size_t>(first)] = static_cast<int16_t>(z);
  first = static_cast<int16_t>(z);
}

// Zone z as the current tracts give it, its chain and mirror with it.
void Recompute(int z) {
  const auto k = static_cast<std::size_t>(z);
  udtZone& zone = arrZone(z);
  int16_t best = 0;
  double bestShare = 0;
  UpdateZone(zone, best, bestShare);
  if (best != g_best[k]) {
    Unchain(z);
    g_best[k] = best;
    Chain(z);
  }
  g_mismatch[k] = zone.dblMismatch;
}

}  // namespace

void CalcApproxMatch() {
  bool writing = blnWriteLUT;
  if (writing) {
    try {
      FileOpenOutput(kLUTChannel, kLUTFile);
    } catch (const RuntimeError& e) {
      AbandonLUT(writing, e);
    }
  }
  double apx = 0;
  for (int zi = 1; zi <= intNZones; ++zi) {
    udtZone& z = arrZone(zi);
    int16_t best = 0;
    double bestShare = 0;
    UpdateZone(z, best, bestShare);
    apx = apx + z.dblMismatch;
    if (writing) {
      try {
        PrintLine(kLUTChannel, LUTLine(z, best, bestShare));
      } catch (const RuntimeError& e) {
        AbandonLUT(writing, e);
      }
    }
  }
  dblCurApx = FiniteApx(apx);
  if (writing) {
    try {
      FileClose(kLUTChannel);
    } catch (const RuntimeError& e) {
      AbandonLUT(writing, e);
    }
  }
}

void StartZoneCache() {
  // Counted by block, then each count turned into the position after the
  // block's last zone, which filling in reverse brings back to its first.
  const auto size = static_cast<std::size_t>(kTableSize) + 2;
  g_first.assign(size, 0);
  const int n = intNZones;
  for (int zi = 1; zi <= n; ++zi) {
    const udtZone& z = std::as_const(arrZone)(zi);
    const int16_t* bb = ListData(z.intBB);
    for (int m = 1, count = ListCount(z.intNBB); m <= count; ++m)
      if (const int r = bb[m]; r >= 1 && r <= kTableSize) ++g_first[static_cast<std::size_t>(r)];
  }
  for (std::size_t r = 1; r < size; ++r) g_first[r] += g_first[r - 1];
  g_zonesAt.resize(static_cast<std::size_t>(g_first[size - 1]));
  for (int zi = n; zi >= 1; --zi) {
    const udtZone& z = std::as_const(arrZone)(zi);
    const int16_t* bb = ListData(z.intBB);
    for (int m = ListCount(z.intNBB); m >= 1; --m) {
      const int r = bb[m];
      if (r < 1 || r > kTableSize) continue;
      const int at = --g_first[static_cast<std::size_t>(r)];
      g_zonesAt[static_cast<std::size_t>(at)] = zi;
    }
  }
}

double UpdateApproxMatch(const int* changed, int nChanged, const int* moved, int nMoved) {
  const int n = intNZones;
  if (nMoved < 0) {
    g_firstOfTract.fill(0);
    for (int z = 1; z <= n; ++z) {
      const auto k = static_cast<std::size_t>(z);
      udtZone& zone = arrZone(z);
      if (nMoved == kAsTheyStand) {
        g_best[k] = zone.intBestTract;
      } else {
        double bestShare = 0;
        UpdateZone(zone, g_best[k], bestShare);
      }
      g_mismatch[k] = zone.dblMismatch;
      Chain(z);
    }
  } else {
    // The zones holding blocks of a moved IBB (their members' tracts
    // changed) and those whose best tract changed its population. Every
    // other zone keeps its members' tracts, its best tract and that tract's
    // population, hence its mismatch.
    g_zoneMarks.Begin();
    std::array<int16_t, kTableSize> todo;
    int nTodo = 0;
    auto add = [&](int z) {
      if (g_zoneMarks.Has(z)) return;
      g_zoneMarks.Set(z, 1);
      todo[static_cast<std::size_t>(nTodo++)] = static_cast<int16_t>(z);
    };
    for (int j = 0; j < nMoved; ++j) {
      const udtIBB& g = std::as_const(arrIBB)(moved[j]);
      for (int m = 1; m <= g.intNMembers; ++m) {
        const int r = g.intMember(m);
        if (r < 1 || r > kTableSize) continue;
        for (int p = g_first[static_cast<std::size_t>(r)]; p < g_first[static_cast<std::size_t>(r) + 1]; ++p)
          add(g_zonesAt[static_cast<std::size_t>(p)]);
      }
    }
    for (int j = 0; j < nChanged; ++j) {
      if (changed[j] < 1 || changed[j] > kTableSize) continue;
      const auto t = static_cast<std::size_t>(changed[j]);
      for (int z = g_firstOfTract[t]; z != 0; z = g_next[static_cast<std::size_t>(z)]) add(z);
    }
    for (int j = 0; j < nTodo; ++j) Recompute(todo[static_cast<std::size_t>(j)]);
  }
  double apx = 0;
  const double* mismatch = g_mismatch.data();
  int z = 1;
  for (; z + 3 <= n; z += 4) {
    apx = apx + mismatch[z];
    apx = apx + mismatch[z + 1];
    apx = apx + mismatch[z + 2];
    apx = apx + mismatch[z + 3];
  }
  for (; z <= n; ++z) apx = apx + mismatch[z];
  return FiniteApx(apx);
}

}  // namespace qel
