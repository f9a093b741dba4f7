// Module-level state of the engine: every table and variable lives from
// start-up to the end of the process.
#include "engine.h"
#include "term_cache.h"
#include "tract_lists.h"

namespace qel {

RecordTable<udtBB, 1, kTableSize> arrBB;
RecordTable<udtIBB, 1, kTableSize> arrIBB;
RecordTable<udtTract, 1, kTableSize> arrTract;
RecordTable<udtTract, 1, kTableSize> arrBestTract;
RecordTable<udtZone, 1, kTableSize> arrZone;
Table<int16_t, 1, kTableSize> intBestIBBCount;
Table2<int16_t, 1, kTableSize, 1, kListSize> intBestIBBMember;

Table<int16_t, 1, kHomSize> intGroupSize;
Table<double, 1, kHomSize> dblHomVarTotal;
Table<double, 1, kHomSize> dblHomMean;
Table<double, 1, kHomSize> dblVarIAC;
Table<double, 1, kHomSize> dblIACDenom;
Table<double, 1, kHomSize> dblIACBetween;
Table<double, 1, kHomSize> dblGroupIAC;

int16_t intMaxRecs = 0;
int16_t intMaxTracts = 0;
int16_t intMaxNbrs = 0;
int16_t intMaxMembers = 0;
int16_t intMaxZoneBBs = 0;

int16_t intNRecs = 0;
std::string strInputFile;
double dblTotPopA = 0, dblTotPopB = 0;
int16_t intNHomVars = 0;
bool blnDemoFile = false;
int16_t intNZones = 0;
double dblTotalPop = 0;
int16_t intNIBB = 0;
int16_t intNTracts = 0;
int16_t intTargetTracts = 0;

bool blnThresholdPop = false;
double dblThreshold = 0;
bool blnTargetPop = false;
double dblTarget = 0;
bool blnShape = false;
double dblShapeWeight = 0;
bool blnHomog = false;
double dblHomWeight = 0;
int16_t intNHomGroups = 0;
bool blnFixedA = false, blnFixedB = false;
int16_t intPopLayer = 0;
bool blnApprox = false;
bool blnIRAApprox = false;
bool blnSA = false;
bool blnNoConstraints = false;
bool blnFixedCount = false;
bool blnMinOnly = false;
int16_t intNIterations = 0;
int16_t intRunHeader = 0;
std::string strRunFile;
double datRunStart = 0;

int16_t intRandomSeed = 0;
double dblOffsetPct = 0;
double dblSAStart = 0;
double dblPopWeight = 0;
double dblApxWeight = 0;
bool blnContCheck = false;

double dblCurTP = 0, dblCurP2A = 0, dblCurIAC = 0, dblCurMin = 0, dblCurApx = 0;
double dblRefTP = 0, dblRefP2A = 0, dblRefIAC = 0, dblRefMin = 0, dblRefApx = 0;
double dblBestTP = 0, dblBestP2A = 0, dblBestIAC = 0, dblBestMin = 0, dblBestApx = 0;

double dblHomPopTot = 0;
double dblHomPopSumSq = 0, dblHomPopSqRatio = 0, dblHomPopMean = 0, dblHomN0 = 0;

int16_t intNBestTracts = 0;
int16_t intNBestIBB = 0;
int16_t intBestIteration = 0;
int16_t intElapsedSecs = 0;
int16_t intIslandsSkipped = 0;
bool blnWriteLUT = false;
void* frmMainInst = nullptr;

namespace {
WindowOps g_defaultWindows;
WindowOps* g_windows = &g_defaultWindows;
}  // namespace

void SetWindowOps(WindowOps* ops) { g_windows = ops ? ops : &g_defaultWindows; }
WindowOps& Windows() { return *g_windows; }

void ResetEngineState() {
  // Only the records used since start-up (or the last reset) can differ from
  // their start: a small study area costs a small reset, a fresh process none.
  arrBB.Clear();
  arrIBB.Clear();
  arrTract.Clear();
  arrBestTract.Clear();
  arrZone.Clear();
  intBestIBBCount.Fill(0);
  intBestIBBMember.Clear();
  intGroupSize.Fill(0);
  dblHomVarTotal.Fill(0);
  dblHomMean.Fill(0);
  dblVarIAC.Fill(0);
  dblIACDenom.Fill(0);
  dblIACBetween.Fill(0);
  dblGroupIAC.Fill(0);

  intMaxRecs = intMaxTracts = intMaxNbrs = intMaxMembers = intMaxZoneBBs = 0;

  intNRecs = 0;
  strInputFile.clear();
  dblTotPopA = dblTotPopB = 0;
  intNHomVars = 0;
  blnDemoFile = false;
  intNZones = 0;
  dblTotalPop = 0;
  intNIBB = 0;
  intNTracts = 0;
  intTargetTracts = 0;

  blnThresholdPop = false;
  dblThreshold = 0;
  blnTargetPop = false;
  dblTarget = 0;
  blnShape = false;
  dblShapeWeight = 0;
  blnHomog = false;
  dblHomWeight = 0;
  intNHomGroups = 0;
  blnFixedA = blnFixedB = false;
  intPopLayer = 0;
  blnApprox = blnIRAApprox = blnSA = false;
  blnNoConstraints = blnFixedCount = blnMinOnly = false;
  intNIterations = 0;
  intRunHeader = 0;
  strRunFile.clear();
  datRunStart = 0;

  intRandomSeed = 0;
  dblOffsetPct = dblSAStart = dblPopWeight = dblApxWeight = 0;
  blnContCheck = false;

  dblCurTP = dblCurP2A = dblCurIAC = dblCurMin = dblCurApx = 0;
  dblRefTP = dblRefP2A = dblRefIAC = dblRefMin = dblRefApx = 0;
  dblBestTP = dblBestP2A = dblBestIAC = dblBestMin = dblBestApx = 0;

  dblHomPopTot = 0;
  dblHomPopSumSq = dblHomPopSqRatio = dblHomPopMean = dblHomN0 = 0;

  intNBestTracts = 0;
  intNBestIBB = 0;
  intBestIteration = 0;
  intElapsedSecs = 0;
  intIslandsSkipped = 0;
  blnWriteLUT = false;
  frmMainInst = nullptr;
  udtLastRun = udtRunResult{};
  ResetTractLimitReports();
  SetTractLengthsCurrent(false);
  StopTermCache();
}

}  // namespace qel
