// The approximate-matching term: for every zone of the matching layer, the
// tract holding the largest share of its population and the population the
// two do not share. With blnWriteLUT the same pass writes the look-up table
// "QELlut.csv" (one line per zone) into the current directory.
#include <cmath>

#include "block_tract.h"
#include "engine.h"

namespace qel {

namespace {

constexpr int kLUTChannel = 5;
constexpr const char* kLUTFile = "QELlut.csv";

// TractOfIBB of every IBB, gathered once per call so that the zone members,
// many to one IBB, need not each reach into its record. Entry 0 stays 0.
Table<int16_t, 0, kTableSize> g_ibbTract;

void GatherIBBTracts() {
  const int n = intNIBB < kTableSize ? intNIBB : kTableSize;
  for (int g = 1; g <= n; ++g) g_ibbTract(g) = TractInTable(arrIBB(g).intTract);
}

// The population of a zone's best tract. A zone that no tract shares
// (population 0) has no best tract (0), and the population counts as 0.
double BestTractPop(int16_t best) { return best > 0 ? arrTract(best).dblPop : 0.0; }

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
  GatherIBBTracts();
  double apx = 0;
  for (int zi = 1; zi <= intNZones; ++zi) {
    udtZone& z = arrZone(zi);
    const int nbb = z.intNBB;
    for (int m = 1; m <= nbb; ++m) z.intBBTract(m) = g_ibbTract(IBBOfBlock(z.intBB(m)));
    // Each tract's share, summed in member order from 0, in a short list of
    // the zone's own tracts.
    int16_t tracts[kListSize];
    double shares[kListSize];
    int n = 0;
    double bestShare = 0;
    int16_t best = 0;
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
    apx = apx + z.dblMismatch;
    if (writing) {
      try {
        PrintLine(kLUTChannel, LUTLine(z, best, bestShare));
      } catch (const RuntimeError& e) {
        AbandonLUT(writing, e);
      }
    }
  }
  // Populations near the float limit could overflow the squares.
  dblCurApx = std::isfinite(apx) ? apx : kHugeRef;
  if (writing) {
    try {
      FileClose(kLUTChannel);
    } catch (const RuntimeError& e) {
      AbandonLUT(writing, e);
    }
  }
}

}  // namespace qel
