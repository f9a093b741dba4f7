// The search of the zone design: every iteration builds fresh tracts, lets
// each tract in turn take single IBBs from its neighbours under the weighted
// objective and the iteration's allowance, and keeps the best solution.
#include "run_loop.h"

#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "engine.h"
#include "movability.h"
#include "term_cache.h"
#include "tract_lists.h"

namespace qel {

namespace {

RunObserver* g_observer = nullptr;
int64_t g_trialMoves = 0;

// Acceptance allowance of an iteration as a fraction: it starts at
// dblSAStart percent and falls to 0 by the middle of the run.
double Allowance(int iteration, int count) {
  if (!blnSA) return 0;
  double a = dblSAStart - ((iteration - 1) / (count / 2.0)) * dblSAStart;
  if (a < 0) a = 0;
  return a / 100;
}

void RestoreCurrentTerms() {
  dblCurTP = dblRefTP;
  dblCurP2A = dblRefP2A;
  dblCurIAC = dblRefIAC;
  dblCurMin = dblRefMin;
  dblCurApx = dblRefApx;
}

bool IsTract(int t) { return t >= 1 && t <= intNTracts; }

// The movability answers of the pass. The test reads the tracts of the IBBs
// next to the candidate and nothing else that a move changes, so an answer
// for an IBB and its donor holds until an IBB next to it moves (adjacency
// runs both ways: the contiguity reader lists every arc from both ends).
struct MovableAnswer {
  int16_t donor = 0;
  bool movable = false;
  uint32_t pass = 0;  // the pass that gave it; 0 never gave one
};
std::array<MovableAnswer, kTableSize + 1> g_answers;
uint32_t g_pass = 0;

bool Movable(int16_t m, int16_t donor) {
  MovableAnswer& a = g_answers[static_cast<std::size_t>(m)];
  if (a.pass != g_pass || a.donor != donor) a = {donor, IsMovable(m, donor), g_pass};
  return a.movable;
}

// IBB x has moved: the answers of x and of the IBBs next to it no longer hold.
void ForgetAnswersAround(int16_t x) {
  const udtIBB& g = IBBRecord(x);
  g_answers[static_cast<std::size_t>(x)].pass = 0;
  for (int q = 1; q <= g.intNNbrs; ++q) {
    const int y = BlockIBB(g.intNbr(q));
    if (y >= 1 && y <= kTableSize) g_answers[static_cast<std::size_t>(y)].pass = 0;
  }
}

// The IBBs of r's neighbours that may move into r, in r's neighbour order.
// A tract never lists its own members as neighbours, so no donor is r.
int BuildCandidates(int16_t r, List16& cand) {
  int n = 0;
  const udtTract& receiver = std::as_const(arrTract)(r);
  const int nNbrs = receiver.intNNbrs;
  for (int k = 1; k <= nNbrs; ++k) {
    const int16_t m = receiver.intNbr(k);
    if (m < 1 || m > intNIBB) continue;  // 0 is the outside
    const int16_t donor = IBBRecord(m).intTract;
    if (!IsTract(donor)) continue;
    if (std::as_const(arrTract)(donor).intNMembers < 2) continue;
    if (!Movable(m, donor)) continue;
    cand(++n) = m;
  }
  return n;
}

// Moves i from its donor into r and keeps the move when the objective stays
// within 1 + allowance; otherwise puts i back with the terms as they were.
void TryMove(int16_t r, int16_t i, int16_t donor, double allowance) {
  MoveIBBToTract(r, i);
  if (IBBRecord(i).intTract != r) return;  // refused by the tract limits: no trial
  ++g_trialMoves;
  double objective = 0;
  EvaluateObjective(objective, 2);
  // Not "<=" also rejects a value that is no number.
  const bool kept = objective <= 1 + allowance;
  if (!kept) {
    MoveIBBToTract(donor, i);
    RestoreCurrentTerms();
  }
  // Put back, the tracts are those of every answer held; an IBB that stays
  // moved (kept, or refused its way back) changes the answers around it.
  if (IBBRecord(i).intTract != donor) ForgetAnswersAround(i);
  if (g_observer) g_observer->Tried(r, i, donor, objective, kept);
}

// Tries each candidate once, cyclically from a random start, as a move into r.
void TryCandidates(int16_t r, double allowance) {
  List16 cand;
  const int n = BuildCandidates(r, cand);
  int p = DrawOneOf(n);
  if (p > n) --p;
  // A kept move changes its donor, so a later candidate of the same donor
  // may no longer leave it in one piece: the answers say so (they are kept
  // until an IBB next to the candidate moves).
  for (int turn = 1; turn <= n; ++turn, p = p % n + 1) {
    const int16_t i = cand(p);
    const int16_t donor = IBBRecord(i).intTract;
    const udtTract& giver = std::as_const(arrTract)(donor);
    if (giver.intNMembers < 2) return;
    if (blnThresholdPop && giver.dblPop - IBBRecord(i).dblPop < dblThreshold) continue;
    if (!Movable(i, donor)) continue;
    TryMove(r, i, donor, allowance);
  }
}

// Every tract is receiver once, in random order. The evaluation before it
// has just computed every term from the tracts as they stand.
void MovePass(double allowance) {
  const int nTracts = intNTracts;
  // Entry t is the tract's number (its intID); taken from t itself, so a
  // record whose intID was damaged cannot leave a turn with nothing to draw.
  Table<int16_t, 1, kTableSize> order;
  for (int t = 1; t <= nTracts; ++t) order(t) = static_cast<int16_t>(t);
  StartTermCache(true);
  // The cached terms end with the pass on every way out: an error inside it
  // must not leave the next run summing parts of this one.
  struct StopAtEnd {
    ~StopAtEnd() { StopTermCache(); }
  } stopAtEnd;
  if (++g_pass == 0) {  // wrapped: no old answer may look current
    g_answers.fill({});
    g_pass = 1;
  }
  for (int turn = 1; turn <= nTracts; ++turn) {
    int r;
    do {
      r = DrawOneOf(nTracts);
    } while (r > nTracts || order(r) <= 0);
    order(r) = static_cast<int16_t>(-order(r));
    TryCandidates(static_cast<int16_t>(r), allowance);
  }
}

void KeepBest(int iteration) {
  intNBestTracts = intNTracts;
  for (int t = 1; t <= intNTracts; ++t) CopyTract(arrBestTract(t), std::as_const(arrTract)(t));
  intNBestIBB = intNIBB;
  for (int g = 1; g <= intNIBB; ++g) {
    const udtIBB& ibb = arrIBB(g);
    intBestIBBCount(g) = ibb.intNMembers;
    for (int k = 1; k <= ibb.intNMembers; ++k) intBestIBBMember(g, k) = ibb.intMember(k);
  }
  dblBestTP = dblCurTP;
  dblBestP2A = dblCurP2A;
  dblBestIAC = dblCurIAC;  // 0 without homogeneity: the run zeroed it and never computes it
  dblBestMin = dblCurMin;
  dblBestApx = dblCurApx;
  intBestIteration = static_cast<int16_t>(iteration);
  WindowOps& w = Windows();
  w.AddProgressLine(Str(iteration) + " *NEW BEST* : " + Str(dblBestTP) + " " + Str(dblBestP2A) +
                    " " + Str(dblBestIAC) + " " + Str(dblBestApx));
  w.SelectProgressLine(w.ProgressLineCount() - 1);
}

// The bar shows the share of the count done, never more than all of it
// (the count can be lowered below the iterations already run). The count is
// at least 1: an iteration runs only within it, and the one thing that
// lowers it during an iteration sets it to 1.
int ProgressPercent(int iteration, int count) {
  const double pct = std::nearbyint(static_cast<double>(iteration) / count * 100);
  return pct > 100 ? 100 : static_cast<int>(pct);
}

// Whole seconds since Run (SecondsBetween counts a run past midnight); a
// run longer than the 16-bit value can hold shows its largest value.
int16_t ElapsedSeconds() {
  const double d = SecondsBetween(datRunStart, TimeOfDay());
  return CInt(d > 32767 ? 32767 : d);
}

// True when the best solution's IBBs are this run's: a best kept from an
// earlier run with other fixed layers names IBBs that no longer hold the
// same blocks, and cannot be put into this run's tables.
bool BestFitsTheIBBs() {
  if (intNBestTracts <= 0 || intNBestIBB != intNIBB) return false;
  for (int g = 1; g <= intNIBB; ++g) {
    const udtIBB& ibb = std::as_const(arrIBB)(g);
    if (std::as_const(intBestIBBCount)(g) != ibb.intNMembers) return false;
    for (int k = 1; k <= ibb.intNMembers; ++k)
      if (std::as_const(intBestIBBMember)(g, k) != ibb.intMember(k)) return false;
  }
  return true;
}

void RestoreBest() {
  for (int t = 1; t <= intNBestTracts; ++t) {
    const udtTract& best = arrBestTract(t);
    for (int k = 1; k <= best.intNMembers; ++k) {
      udtIBB& ibb = arrIBB(best.intMember(k));
      ibb.intTract = best.intID;
      for (int j = 1; j <= intBestIBBCount(best.intMember(k)); ++j)
        arrBB(intBestIBBMember(best.intMember(k), j)).intIBB = ibb.intID;
    }
  }
  intNTracts = intNBestTracts;
  for (int t = 1; t <= intNBestTracts; ++t) CopyTract(arrTract(t), std::as_const(arrBestTract)(t));
  // The best tracts may come from an earlier run whose IBBs were otherwise.
  SetTractLengthsCurrent(false);
}

// A term that the run does not compute shows 0, never a value of an earlier
// run: the objective of a mode reads only the terms in use.
void ZeroTermsNotInUse() {
  if (!blnTargetPop) dblCurTP = dblRefTP = dblBestTP = 0;
  if (!blnShape) dblCurP2A = dblRefP2A = dblBestP2A = 0;
  if (!blnHomog) dblCurIAC = dblRefIAC = dblBestIAC = 0;
  if (!blnMinOnly) dblCurMin = dblRefMin = dblBestMin = 0;
  if (!blnApprox) dblCurApx = dblRefApx = dblBestApx = 0;
}

// The best values that any first solution improves on, for the terms in use.
void ResetBestTerms() {
  if (blnTargetPop) dblBestTP = kHugeRef;
  if (blnShape) dblBestP2A = kHugeRef;
  if (blnHomog) dblBestIAC = kTinyValue;
  if (blnMinOnly) dblBestMin = kHugeRef;
  if (blnApprox) dblBestApx = kHugeRef;
}

void WriteLookUpTable() {
  struct ClearAfter {
    ~ClearAfter() { blnWriteLUT = false; }
  } clear;
  blnWriteLUT = true;
  CalcApproxMatch();
}

void RunIterationsStoring(int16_t& intIterations, bool& storedBest) {
  WindowOps& w = Windows();
  w.SetProgressCaption("Progress with " + Str(static_cast<int>(intIterations)) + " iterations:", true);
  w.SetProgressValue(0);
  ZeroTermsNotInUse();

  // The counter is wider than the count, so a count of 32767 still ends.
  for (int iteration = 1; iteration <= intIterations; ++iteration) {
    if (iteration == 1) ResetBestTerms();
    const double allowance = Allowance(iteration, intIterations);
    if (blnIRAApprox) {
      BuildApproxTracts();
    } else {
      BuildInitialTracts();
    }
    double objective = 0;
    if (blnNoConstraints) {
      objective = 0.5;
      intIterations = 1;
      if (g_observer) g_observer->Started(iteration, allowance, objective);
    } else {
      EvaluateObjective(objective, 1);
      if (g_observer) g_observer->Started(iteration, allowance, objective);
      MovePass(allowance);
      EvaluateObjective(objective, 3);
    }
    // An objective of exactly 0 is a perfect result against the best so far
    // (a zero mismatch, say): it is kept too, or the run would report none.
    if (objective >= 0 && objective < 1) {
      KeepBest(iteration);
      storedBest = true;
    }
    if (g_observer) g_observer->Finished(iteration, objective);
    if (blnNoConstraints) break;
    w.SetProgressValue(ProgressPercent(iteration, intIterations));
    if (blnDemoFile) DrawDemoMap();
  }

  w.HideProgress();
  intElapsedSecs = ElapsedSeconds();
  // The best solution is this study area's (a new one drops that of the area
  // before) and fits this run's IBBs. Without one there are no tracts to
  // restore, draw or list.
  if (BestFitsTheIBBs()) {
    RestoreBest();
    if (w.OptionsLUTValue() == 1 && blnApprox) WriteLookUpTable();
    if (blnDemoFile) DrawDemoMap();
    // A best kept from an earlier run stays listed with that run's settings.
    if (storedBest) KeepRunResult();
  } else {
    ForgetBestSolution();
    MsgBox("The run found no solution: there are no tracts to report or save", kMbExclamation, "No solution");
    KeepRunResult();
  }
  w.ShowOutput();
}

}  // namespace

void SetRunObserver(RunObserver* observer) { g_observer = observer; }

int64_t TrialMoveCount() { return g_trialMoves; }

void RunIterations(int16_t& intIterations) {
  // Whether this run has stored a best of its own; one that has not leaves
  // the kept results of the run that stored the best it restores.
  bool storedBest = false;
  try {
    RunIterationsStoring(intIterations, storedBest);
  } catch (...) {
    // The best tables hold this run's best, which no kept result describes:
    // no later run may restore it under another run's settings.
    if (storedBest) ForgetBestSolution();
    throw;
  }
}

}  // namespace qel
