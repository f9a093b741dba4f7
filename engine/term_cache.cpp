#include "term_cache.h"

#include <array>
#include <utility>

#include "list_ops.h"

namespace qel {

namespace {

using TractValues = std::array<double, kTableSize + 1>;  // read at 1..intNTracts

bool g_on = false;
int g_nTracts = 0;
bool g_target = false, g_threshold = false, g_shape = false, g_homog = false, g_zones = false;
TractValues g_targetPart, g_thresholdPart, g_shapePart, g_weightPart;
std::array<TractValues, kHomSize + 1> g_betweenPart;
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
  const auto k = static_cast<std::size_t>(t);
  if (g_target) g_targetPart[k] = SquaredDeviationPart(tr, dblTarget);
  if (g_threshold) g_thresholdPart[k] = SquaredDeviationPart(tr, dblThreshold);
  if (g_shape) g_shapePart[k] = ShapePart(tr);
  if (g_homog) {
    g_weightPart[k] = WeightPart(tr);
    const int V = HomVarCount();
    for (int v = 1; v <= V; ++v) g_betweenPart[static_cast<std::size_t>(v)][k] = BetweenPart(tr, v);
  }
}

void ClearChanges() {
  g_changed.Begin();
  g_nChangedTracts = 0;
  g_nMoved = 0;
  g_overflow = false;
}

// In tract order from +0, as the full sums add them.
double Sum(const TractValues& parts) {
  const double* p = parts.data();
  const int n = g_nTracts;
  double s = 0;
  int t = 1;
  for (; t + 3 <= n; t += 4) {
    s = p[t] + s;
    s = p[t + 1] + s;
    s = p[t + 2] + s;
    s = p[t + 3] + s;
  }
  for (; t <= n; ++t) s = p[t] + s;
  return s;
}

}  // namespace

void StartTermCache() {
  g_on = true;
  g_nTracts = intNTracts;
  g_target = blnTargetPop;
  g_threshold = blnMinOnly;
  g_shape = blnShape;
  g_homog = blnHomog;
  g_zones = blnApprox;
  for (int t = 1; t <= g_nTracts; ++t) ComputeParts(t);
  ClearChanges();
  if (g_zones) {
    StartZoneCache();
    g_apx = UpdateApproxMatch(g_changed, nullptr, -1);
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
    StartTermCache();
    return;
  }
  for (int k = 0; k < g_nChangedTracts; ++k) {
    const int t = g_changedTracts[static_cast<std::size_t>(k)];
    if (t >= 1 && t <= g_nTracts) ComputeParts(t);
  }
  if (g_zones) g_apx = UpdateApproxMatch(g_changed, g_moved.data(), g_nMoved);
  ClearChanges();
}

double SumOfParts(TractPart part) {
  switch (part) {
    case TractPart::kTarget: return Sum(g_targetPart);
    case TractPart::kThreshold: return Sum(g_thresholdPart);
    case TractPart::kShape: return Sum(g_shapePart);
    case TractPart::kWeight: return Sum(g_weightPart);
  }
  return 0;
}

double SumOfBetweenParts(int v) { return Sum(g_betweenPart[static_cast<std::size_t>(v)]); }

double CachedApproxMatch() { return g_apx; }

}  // namespace qel
