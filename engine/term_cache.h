// The parts of the objective's terms, per tract (and per zone for the
// matching term), kept while the run loop's move pass tries moves. A move
// notes the IBB and the two tracts it changed; the next evaluation computes
// their parts again and still adds up the parts of all tracts (zones) in
// order, one addition each, so every term comes out bit for bit as a full
// computation would give it.
#pragma once

#include "engine.h"
#include "marks.h"

namespace qel {

// A tract's part of a term; the full computations add the same parts.
inline double SquaredDeviationPart(const udtTract& t, double level) {
  const double d = t.dblPop - level;
  return d * d;
}
// A tract without area has no shape to judge: it adds 0, which leaves a sum
// that started from +0 unchanged, as leaving it out would.
inline double ShapePart(const udtTract& t) { return t.dblArea == 0 ? 0.0 : t.dblP2 / t.dblArea; }
inline double WeightPart(const udtTract& t) { return t.dblHomTotal * t.dblHomTotal; }
inline double BetweenPart(const udtTract& t, int v) {
  const double d = t.dblHomProp(v) - dblHomMean(v);
  return d * d * t.dblHomTotal;
}

// Computes every part of the terms in use from the tables; from then on
// moves keep them true until StopTermCache. The tract and zone counts must
// not change meanwhile. With zonesCurrent (an evaluation has just computed
// the matching term from the tracts as they stand) the zones' mismatches
// are taken from the zone table.
void StartTermCache(bool zonesCurrent);
void StopTermCache();
bool TermCacheOn();

// Told by every move: IBB i went from tract `from` to tract `to`.
void NoteMove(int i, int from, int to);

// Brings the parts of what moved since the last call up to date, the
// matching term's zones included.
void RefreshTermCache();

enum class TractPart { kTarget, kThreshold, kShape, kWeight };
// Parts of tracts 1..intNTracts added in tract order, starting from +0.
double SumOfParts(TractPart part);
double SumOfBetweenParts(int v);
// The matching term as of the last refresh.
double CachedApproxMatch();

// The matching term's side, in matching.cpp: each block's zones, and the
// zones to compute again after moves of the IBBs `moved` between the
// `changed` tracts (their members' tracts or their best tract's
// population changed); with nMoved kAllZones, every zone, with
// kAsTheyStand none, the zone table being as the tracts give it. Returns the
// term.
constexpr int kAllZones = -1, kAsTheyStand = -2;
void StartZoneCache();
double UpdateApproxMatch(const int* changed, int nChanged, const int* moved, int nMoved);

}  // namespace qel
