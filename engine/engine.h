// The zone design engine: the data of one study area and one run, held in
// fixed-size module tables, and the procedures that read the input, build
// intermediate building blocks and tracts, run the search and write results.
//
// Names follow the program's design: int 16-bit, dbl 64-bit float, str text,
// bln switch, dat time of day; records begin with udt, tables with arr.
// Tables and lists are indexed as declared (lists from 1, position 0 unused).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime.h"
#include "table.h"
#include "window_ops.h"

namespace qel {

// ---- Sizes of the declarations ----------------------------------------------

constexpr int kTableSize = 2000;   // building blocks, IBBs, tracts, zones
constexpr int kListSize = 500;     // entries of every list inside a record
constexpr int kHomSize = 12;       // homogeneity variables and groups
constexpr int kMaxFields = 50;     // fields of one line of text

using List16 = Table<int16_t, 0, kListSize>;
using ListDbl = Table<double, 0, kListSize>;
using HomArray = Table<double, 0, kHomSize>;
using TokenArray = Table<std::string, 1, kMaxFields>;

// ---- Records -------------------------------------------------------------------

struct udtBB {
  int16_t intID = 0;
  int16_t intZoneA = 0;
  int16_t intZoneB = 0;
  double dblPopA = 0;
  double dblPopB = 0;
  double dblArea = 0;
  int16_t intNNbrs = 0;
  List16 intNbr;
  ListDbl dblNbrLen;
  int16_t intIBB = 0;
  int16_t intNSameZone = 0;
  List16 intSameZone;
  HomArray dblHom;
};

struct udtIBB {
  int16_t intID = 0;
  double dblPop = 0;
  double dblArea = 0;
  int16_t intNNbrs = 0;
  List16 intNbr;      // neighbouring building blocks (record numbers, 1 = outside)
  ListDbl dblNbrLen;
  int16_t intNMembers = 0;
  List16 intMember;   // member building blocks; member 1 founded the IBB
  int16_t intTract = 0;
  HomArray dblHom;
  double dblHomTotal = 0;
};

struct udtTract {
  int16_t intID = 0;
  double dblPop = 0;
  double dblArea = 0;
  int16_t intNNbrs = 0;
  List16 intNbr;      // neighbouring IBBs; 0 stands for the outside
  ListDbl dblNbrLen;
  int16_t intNMembers = 0;
  List16 intMember;   // member IBBs in joining order
  double dblP2 = 0;
  HomArray dblHomSum;
  HomArray dblHomProp;
  double dblHomTotal = 0;
};

struct udtZone {
  int16_t intCode = 0;
  double dblPop = 0;
  int16_t intNBB = 0;
  List16 intBB;
  List16 intBBTract;
  ListDbl dblBBPop;
  double dblMismatch = 0;
  int16_t intBestTract = 0;
};

// ---- Tables --------------------------------------------------------------------

extern RecordTable<udtBB, 1, kTableSize> arrBB;
extern RecordTable<udtIBB, 1, kTableSize> arrIBB;
extern RecordTable<udtTract, 1, kTableSize> arrTract;
extern RecordTable<udtTract, 1, kTableSize> arrBestTract;
extern RecordTable<udtZone, 1, kTableSize> arrZone;
extern Table<int16_t, 1, kTableSize> intBestIBBCount;
extern Table2<int16_t, 1, kTableSize, 1, kListSize> intBestIBBMember;

extern Table<int16_t, 1, kHomSize> intGroupSize;
extern Table<double, 1, kHomSize> dblHomVarTotal;
extern Table<double, 1, kHomSize> dblHomMean;
extern Table<double, 1, kHomSize> dblVarIAC;
extern Table<double, 1, kHomSize> dblIACDenom;
extern Table<double, 1, kHomSize> dblIACBetween;
extern Table<double, 1, kHomSize> dblGroupIAC;

// ---- Capacity limits (0 until StartMain) --------------------------------------

extern int16_t intMaxRecs;
extern int16_t intMaxTracts;
extern int16_t intMaxNbrs;
extern int16_t intMaxMembers;
extern int16_t intMaxZoneBBs;

// ---- Input data and counts -----------------------------------------------------

extern int16_t intNRecs;
extern std::string strInputFile;
extern double dblTotPopA, dblTotPopB;
extern int16_t intNHomVars;
extern bool blnDemoFile;
extern int16_t intNZones;
extern double dblTotalPop;
extern int16_t intNIBB;
extern int16_t intNTracts;
extern int16_t intTargetTracts;

// ---- Run settings ------------------------------------------------------------------

extern bool blnThresholdPop;
extern double dblThreshold;
extern bool blnTargetPop;
extern double dblTarget;
extern bool blnShape;
extern double dblShapeWeight;
extern bool blnHomog;
extern double dblHomWeight;
extern int16_t intNHomGroups;
extern bool blnFixedA, blnFixedB;
extern int16_t intPopLayer;  // 1 = population A, 2 = population B, 0 = none
extern bool blnApprox;
extern bool blnIRAApprox;
extern bool blnSA;
extern bool blnNoConstraints;
extern bool blnFixedCount;
extern bool blnMinOnly;
extern int16_t intNIterations;
extern int16_t intRunHeader;
extern std::string strRunFile;
extern double datRunStart;  // time of day, seconds since midnight

// ---- Options -----------------------------------------------------------------------

extern int16_t intRandomSeed;
extern double dblOffsetPct;
extern double dblSAStart;
extern double dblPopWeight;
extern double dblApxWeight;
extern bool blnContCheck;

// ---- Objective values ----------------------------------------------------------------

extern double dblCurTP, dblCurP2A, dblCurIAC, dblCurMin, dblCurApx;
extern double dblRefTP, dblRefP2A, dblRefIAC, dblRefMin, dblRefApx;
extern double dblBestTP, dblBestP2A, dblBestIAC, dblBestMin, dblBestApx;

constexpr double kHugeRef = 1.7E+308;  // reference against which a ratio is about 0
constexpr double kTinyValue = 1E-08;   // floor of TP and Min, start of IAC

// ---- Homogeneity references and work values ------------------------------------------

extern double dblHomPopTot;
extern double dblHomPopSumSq, dblHomPopSqRatio, dblHomPopMean, dblHomN0;

// ---- Results and flags ------------------------------------------------------------------

extern int16_t intNBestTracts;
extern int16_t intNBestIBB;  // IBBs of the run that found the best solution
extern int16_t intBestIteration;
extern int16_t intElapsedSecs;
extern int16_t intIslandsSkipped;
extern bool blnWriteLUT;
extern void* frmMainInst;

// ---- The results of the last run ---------------------------------------------------

// What a finished run leaves for the program log, the tract composition file
// and the report, as it stood at the run's end: its input file, settings,
// terms and best tracts. A later load, a refused run or a change of the
// settings cannot put another study area's or run's data beside them.
struct udtRunResult {
  bool blnMade = false;        // a run has ended since start-up
  bool blnAreaLoaded = false;  // its study area is still the one loaded
  std::string strInputFile;
  int16_t intNIterations = 0;
  int16_t intElapsedSecs = 0;
  bool blnThresholdPop = false, blnTargetPop = false, blnShape = false, blnHomog = false;
  double dblThreshold = 0, dblTarget = 0, dblShapeWeight = 0, dblHomWeight = 0;
  int16_t intPopLayer = 0;
  bool blnFixedA = false, blnFixedB = false, blnApprox = false, blnIRAApprox = false, blnSA = false;
  int16_t intBestIteration = 0;
  double dblBestTP = 0, dblBestP2A = 0, dblBestIAC = 0, dblBestMin = 0, dblBestApx = 0;
  int16_t intIslandsSkipped = 0;
  int16_t intNHomVars = 0;  // homogeneity sums kept for each tract (0 to 12)
  // The best tracts, in table order (none when the run found no solution): number, population, the blocks (record
  // numbers) of their IBBs as the best iteration's snapshot holds them, and
  // the homogeneity sums (intNHomVars a tract).
  std::vector<int16_t> intTractID;
  std::vector<double> dblTractPop;
  std::vector<int> intTractBlocksEnd;  // tract k's blocks end before this position
  std::vector<int16_t> intTractBlock;
  std::vector<double> dblTractHomSum;
  // The composition: each block's own number and tract, records 2 to intNRecs.
  std::vector<int16_t> intBlockID, intBlockTract;
};
extern udtRunResult udtLastRun;

// Keeps the results of the run that has just ended in udtLastRun.
void KeepRunResult();
// Why the last run's results cannot be shown or written (with `tracts`, as
// a composition file): no run has ended, its study area is no longer loaded,
// or (for tracts) it found no solution. Empty when they can.
std::string RunResultRefusal(bool tracts);
// The line of best tract t (from 1) of the last run, as the log and the
// report list it: number, population, block count and record numbers.
std::string RunTractLine(int t);
// The line of best tract t in the report's homogeneity block: number,
// population and the sum of every homogeneity variable.
std::string RunHomLine(int t);
// Drops the best solution, its terms and the demo map, which would still
// show the tracts of an earlier run or of an iteration.
void ForgetBestSolution();
// A new study area has been loaded: nothing of the one before may be
// restored, shown or saved (the best solution and its map, the islands
// count, the last run's results).
void LeaveStudyArea();

// ---- Procedures ----------------------------------------------------------------------

// Start-up: limits, switches, and the main window.
void StartMain();

// Readers.
void SplitLine(const std::string& strLine, TokenArray& strTok, int16_t& intN);
// True when the whole file was loaded: it has then replaced the study area,
// its neighbours and results. Otherwise (Cancel at the header question, a
// failing line, the record limit, a file that cannot be read) its message
// has been shown and nothing loaded before has changed.
bool ReadIntersectionFile(int16_t intHeader, const std::string& strFile, std::string& strNameA,
                          std::string& strNameB);
// intNArcs: the lines read; 0 when the file was refused (a failing line, the
// neighbour limit, no usable arc, a file that cannot be read), in which case
// its message has been shown and the neighbour lists loaded before are kept.
void ReadContiguityFile(const std::string& strFile, int16_t& intNArcs);
// False when the zone table could not be built (Cancel at the header
// question, a limit, a failing line, a file that no longer holds the records
// loaded from it): the message has been shown, the zone table is empty and
// the records loaded are not touched.
bool ReadMatchZones(int16_t intHeader, const std::string& strFile);
// True when some building block of the study area has a neighbour.
bool AnyBlockHasNeighbours();

// Run preparation.
void ResetIBBs();
// Adds block intBB to IBB intIBB. When the IBB's lists cannot take the block
// a message is shown and the block's intIBB is 0: the caller tells by it.
void AddBBToIBB(int16_t intIBB, int16_t intBB);
// False when the preparation was refused (its message has been shown): the
// run must end there. The IBBs and blocks are then as the last run left them,
// so its results can still be saved.
bool BuildIntermediateBBs();

// Tract table operations.
void ResetTracts();
// Adds IBB intIBB, in no tract yet, to tract intTract. The IBB's intTract
// tells the caller whether it joined: 0 when the tract's lists were full.
void AddIBBToTract(int16_t intTract, int16_t intIBB);
void MergeTracts(int16_t intFrom, int16_t& intInto);
void MoveIBBToTract(int16_t intToTract, int16_t intIBB);

// Initial aggregations.
void BuildInitialTracts();
void BuildApproxTracts();

// Objective.
void CalcTargetDeviation();
void CalcThresholdDeviation();
void CalcShape();
void CalcHomogeneity();
void CalcApproxMatch();
void EvaluateObjective(double& dblResult, int16_t intMode);

// Run loop.
void RunIterations(int16_t& intIterations);

// Outputs.
void WriteProgramLog(const std::string& strFile);
void WriteTractComposition(const std::string& strFile);
void DrawDemoMap();

// Returns every table and variable to its value at program start. For tests
// and for programs that host more than one study area in one process.
void ResetEngineState();

}  // namespace qel
