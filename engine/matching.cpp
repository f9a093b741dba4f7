// The approximate-matching term: for every zone of the matching layer, the
// tract holding the largest share of its population and the population the
// two do not share. With blnWriteLUT the same pass writes the look-up table
// "QELlut.csv" (one line per zone) into the current directory.
#include <cmath>
#include <utility>
#include <vector>

#include "block_tract.h"
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
  const int nbb = z.intNBB;
  for (int m = 1; m <= nbb; ++m) z.intBBTract(m) = TractOfBlock(z.intBB(m));
  // Each tract's share, summed in member order from 0, in a short list of
  // the zone's own tracts.
  int16_t tracts[kListSize];
  double shares[kListSize];
  int n = 0;
  bestShare = 0;
  best = 0;
  for (int m = 1; m <= nbb; ++m) {
    const int16_t t = z.intBBTract(m);
    if (t == 0) continue;  // in no tract: counts only in the zone's outside part
    int k = 0;
    while (k < n && tracts[k] != t) ++k;
    if (k == n) {
      tracts[n] = t;
      shares[n++] = 0;
    }
    shares[k] = z.dblBBPop(m) + shares[k];
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

// The zones of each block (CSR: zones of block r at g_zonesAt[g_first[r]..g_first[r+1]-1]).
std::vector<int> g_first, g_zonesAt;
Marks g_zoneMarks;

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
  const auto size = static_cast<std::size_t>(kTableSize) + 2;
  g_first.assign(size, 0);
  for (int zi = 1; zi <= intNZones; ++zi) {
    const udtZone& z = std::as_const(arrZone)(zi);
    for (int m = 1; m <= z.intNBB; ++m)
      if (const int r = z.intBB(m); r >= 1 && r <= kTableSize) ++g_first[static_cast<std::size_t>(r) + 1];
  }
  for (std::size_t r = 1; r < size; ++r) g_first[r] += g_first[r - 1];
  g_zonesAt.assign(static_cast<std::size_t>(g_first[size - 1]), 0);
  std::vector<int> fill(g_first.begin(), g_first.end());
  for (int zi = 1; zi <= intNZones; ++zi) {
    const udtZone& z = std::as_const(arrZone)(zi);
    for (int m = 1; m <= z.intNBB; ++m)
      if (const int r = z.intBB(m); r >= 1 && r <= kTableSize) g_zonesAt[static_cast<std::size_t>(fill[static_cast<std::size_t>(r)]++)] = zi;
  }
}

double UpdateApproxMatch(const Marks& changed, const int* moved, int nMoved) {
  // The zones holding blocks of a moved IBB: their members' tracts changed.
  g_zoneMarks.Begin();
  for (int k = 0; k < nMoved; ++k) {
    const udtIBB& g = std::as_const(arrIBB)(moved[k]);
    for (int j = 1; j <= g.intNMembers; ++j) {
      const int r = g.intMember(j);
      if (r < 1 || r > kTableSize) continue;
      for (int p = g_first[static_cast<std::size_t>(r)]; p < g_first[static_cast<std::size_t>(r) + 1]; ++p)
        g_zoneMarks.Set(g_zonesAt[static_cast<std::size_t>(p)], 1);
    }
  }
  // Every other zone keeps its members' tracts and best tract, and when that
  // tract did not change its population is the same too.
  double apx = 0;
  for (int zi = 1; zi <= intNZones; ++zi) {
    const udtZone& z = std::as_const(arrZone)(zi);
    if (nMoved < 0 || g_zoneMarks.Has(zi) || changed.Has(z.intBestTract)) {
      int16_t best = 0;
      double bestShare = 0;
      UpdateZone(arrZone(zi), best, bestShare);
    }
    apx = apx + z.dblMismatch;
  }
  return FiniteApx(apx);
}

}  // namespace qel
