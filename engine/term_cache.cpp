#include "term_cache.h"

#include <array>
#include <utility>

#include "list_ops.h"

namespace qel {

namespace {

// Each tract's parts side by side in a row, so that one pass over the
// tracts adds up every term: each slot of the rows is a sum of its own,
// added in tract order from +0, two slots at a time where the processor
// adds pairs.
constexpr int kSlots = 4 + kHomSize;  // target, threshold, shape, weight, variables
struct alignas(16) Row {
  std::array<double, kSlots> part;
};
std::array<Row, kTableSize + 1> g_rows;  // read at 1..g_nTracts
std::array<double, kSlots> g_sums;

bool g_on = false;
int g_nTracts = 0;
int g_nSlots = 0;  // in use, rounded up to an even number
int g_target = -1, g_threshold = -1, g_shape = -1, g_weight = -1;  // their slots, -1 when not in use
int g_firstVariable = -1;
bool g_zones = false;
double g_apx = 0;

// What moved since the last refresh. More moves than the list holds make
// the next refresh compute everything again.
constexpr int kMaxNoted = 64;
Marks g_changed;
std::array<int, 2 * kMaxNoted> g_changedTracts;
int g_nChangedTracts = 0;
std::array<int, kMaxNoted> g_moved;
int g_nMoved = 0;
bool g_overflow = false;

void ComputeParts(int t) {
  const udtTract& tr = std::as_const(arrTract)(t);
  Row& row = g_rows[static_cast<std::size_t>(t)];
  if (g_target >= 0) row.part[static_cast<std::size_t>(g_target)] = SquaredDeviationPart(tr, dblTarget);
  if (g_threshold >= 0) row.part[static_cast<std::size_t>(g_threshold)] = SquaredDeviationPart(tr, dblThreshold);
  if (g_shape >= 0) row.part[static_cast<std::size_t>(g_shape)] = ShapePart(tr);
  if (g_weight >= 0) {
    row.part[static_cast<std::size_t>(g_weight)] = WeightPart(tr);
    const int V = HomVarCount();
    for (int v = 1; v <= V; ++v) row.part[static_cast<std::size_t>(g_firstVariable + v - 1)] = BetweenPart(tr, v);
  }
}

void ClearChanges() {
  g_changed.Begin();
  g_nChangedTracts = 0;
  g_nMoved = 0;
  g_overflow = false;
}

// The first 2P slots of rows 1..n, each slot's parts added in tract order
// from +0, as the full sums add them.
template <int P>
void SumSlots(int n) {
  double acc[2 * P] = {};
  auto add = [&acc](int t) {
    const double* part = g_rows[static_cast<std::size_t>(t)].part.data();
    for (int k = 0; k < 2 * P; ++k) acc[k] = part[k] + acc[k];
  };
  int t = 1;
  // A few slots leave room to take several rows at a time.
  if constexpr (P == 1)
    for (; t + 7 <= n; t += 8) {
      add(t), add(t + 1), add(t + 2), add(t + 3);
      add(t + 4), add(t + 5), add(t + 6), add(t + 7);
    }
  if constexpr (P <= 2)
    for (; t + 3 <= n; t += 4) add(t), add(t + 1), add(t + 2), add(t + 3);
  for (; t <= n; ++t) add(t);
  for (int k = 0; k < 2 * P; ++k) g_sums[static_cast<std::size_t>(k)] = acc[k];
}

void SumAll() {
  switch (g_nSlots / 2) {
    case 0: break;
    case 1: SumSlots<1>(g_nTracts); break;
    case 2: SumSlots<2>(g_nTracts); break;
    case 3: SumSlots<3>(g_nTracts); break;
    case 4: SumSlots<4>(g_nTracts); break;
    case 5: SumSlots<5>(g_nTracts); break;
    case 6: SumSlots<6>(g_nTracts); break;
    case 7: SumSlots<7>(g_nTracts); break;
    default: SumSlots<8>(g_nTracts); break;
  }
}

}  // namespace

void StartTermCache(bool zonesCurrent) {
  g_on = true;
  g_nTracts = intNTracts;
  int slots = 0;
  auto slot = [&slots](bool inUse) { return inUse ? slots++ : -1; };
  g_target = slot(blnTargetPop);
  g_threshold = slot(blnMinOnly);
  g_shape = slot(blnShape);
  g_weight = slot(blnHomog);
  g_firstVariable = slots;
  if (blnHomog) slots += HomVarCount();
  g_nSlots = slots + slots % 2;
  for (int t = 1; t <= g_nTracts; ++t) {
    g_rows[static_cast<std::size_t>(t)].part.fill(0);
    ComputeParts(t);
  }
  SumAll();
  ClearChanges();
  g_zones = blnApprox;
  if (g_zones) {
    StartZoneCache();
    g_apx = UpdateApproxMatch(nullptr, 0, nullptr, zonesCurrent ? kAsTheyStand : kAllZones);
  }
}

void StopTermCache() { g_on = false; }

bool TermCacheOn() { return g_on; }

void NoteMove(int i, int from, int to) {
  if (!g_on) return;
  if (g_nMoved == kMaxNoted) {
    g_overflow = true;
    return;
  }
  g_moved[static_cast<std::size_t>(g_nMoved++)] = i;
  for (const int t : {from, to}) {
    if (g_changed.Has(t)) continue;
    g_changed.Set(t, 1);
    g_changedTracts[static_cast<std::size_t>(g_nChangedTracts++)] = t;
  }
}

void RefreshTermCache() {
  if (g_overflow || intNTracts != g_nTracts) {
    StartTermCache(false);
    return;
  }
  for (int k = 0; k < g_nChangedTracts; ++k) {
    const int t = g_changedTracts[static_cast<std::size_t>(k)];
    if (t >= 1 && t <= g_nTracts) ComputeParts(t);
  }
  if (g_nChangedTracts > 0) SumAll();
  if (g_zones) g_apx = UpdateApproxMatch(g_changedTracts.data(), g_nChangedTracts, g_moved.data(), g_nMoved);
  ClearChanges();
}

double SumOfParts(TractPart part) {
  int slot = -1;
  switch (part) {
    case TractPart::kTarget: slot = g_target; break;
    case TractPart::kThreshold: slot = g_threshold; break;
    case TractPart::kShape: slot = g_shape; break;
    case TractPart::kWeight: slot = g_weight; break;
  }
  return slot >= 0 ? g_sums[static_cast<std::size_t>(slot)] : 0.0;
}

double SumOfBetweenParts(int v) { return g_sums[static_cast<std::size_t>(g_firstVariable + v - 1)]; }

double CachedApproxMatch() { return g_apx; }

}  // namespace qel
