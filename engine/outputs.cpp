// The program log and the tract composition file, saved from the output
// window after a run. Both only read what the run left.
#include <string>

#include "block_tract.h"
#include "engine.h"

namespace qel {

namespace {

constexpr int kCompositionChannel = 3;
constexpr int kLogChannel = 4;

const std::string kSeparator(54, '=');

// One line per best tract: number, population, block count, then the block
// record numbers of its IBBs as the snapshot of the best iteration holds them.
std::string BestTractLine(int t) {
  const udtTract& tract = arrBestTract(t);
  std::string list;
  int count = 0;
  for (int k = 1; k <= tract.intNMembers; ++k) {
    const int16_t g = tract.intMember(k);
    for (int j = 1; j <= intBestIBBCount(g); ++j) {
      list += ' ';
      list += Str(static_cast<int>(intBestIBBMember(g, j)));
      ++count;
    }
  }
  return Str(static_cast<int>(tract.intID)) + "  " + Str(tract.dblPop) + " " + Str(count) + " " +
         list;
}

void PrintLog(int ch) {
  PrintLine(ch, kSeparator);
  const TimeAndDate now = TimeAndDateNow();
  PrintLine(ch, "QEL Program Log written at " + now.time + " on " + now.date);
  PrintLine(ch, kSeparator);
  PrintLine(ch, "Input file : " + strInputFile);
  PrintLine(ch, "Number of iterations : " + Str(static_cast<int>(intNIterations)));
  PrintLine(ch, "Elapsed time         : " + Str(static_cast<int>(intElapsedSecs)) + " seconds");
  if (blnThresholdPop) PrintLine(ch, "Threshold population : " + Str(dblThreshold));
  if (blnTargetPop) PrintLine(ch, "Target population    : " + Str(dblTarget));
  if (blnTargetPop || blnThresholdPop)
    PrintLine(ch, intPopLayer == 1 ? "Population layer     : A" : "Population layer     : B");
  if (blnShape) PrintLine(ch, "P2A constraint       : " + Str(dblShapeWeight));
  if (blnHomog) PrintLine(ch, "IAC constraint       : " + Str(dblHomWeight));
  if (blnFixedA) PrintLine(ch, "Boundary layer A     : Fixed");
  if (blnFixedB) PrintLine(ch, "Boundary layer B     : Fixed");
  if (blnApprox) PrintLine(ch, "Approximate matching : On");
  if (blnIRAApprox) PrintLine(ch, "IRA based on approximate matching");
  PrintLine(ch, blnSA ? "SA                   : On " : "SA                   : Off ");
  PrintLine(ch, kSeparator);
  PrintLine(ch, "Best iteration : " + Str(static_cast<int>(intBestIteration)));
  PrintLine(ch, "Best TP value  : " + Str(dblBestTP));
  PrintLine(ch, "Best P2A value : " + Str(dblBestP2A));
  PrintLine(ch, "Best IAC value : " + Str(dblBestIAC));
  PrintLine(ch, "Best Min value : " + Str(dblBestMin));
  PrintLine(ch, "Best Apx value : " + Str(dblBestApx));
  PrintLine(ch, Str(static_cast<int>(intIslandsSkipped)) + " sub-threshold islands skipped");
  PrintLine(ch, kSeparator);
  PrintLine(ch, "Tract ID, Pop, No. parts, BBinput IDs");
  for (int t = 1; t <= intNBestTracts; ++t) PrintLine(ch, BestTractLine(t));
  PrintLine(ch, kSeparator);
}

// A block in no IBB has no tract: its line carries tract 0, so the file
// still holds one line per block and no line names a tract it is not in.
void PrintComposition(int ch) {
  for (int i = 2; i <= intNRecs; ++i) WriteRecord(ch, {arrBB(i).intID, TractOfBlock(i)});
}

// Writes through the channel and replaces the target only when every line
// was written; on any failure the existing file stays as it was.
template <class Body>
void WriteWhole(int ch, const std::string& strFile, Body body) {
  try {
    FileOpenOutput(ch, strFile);
    body(ch);
    FileCloseAll();
  } catch (...) {
    FileAbortAll();
    throw;
  }
}

}  // namespace

void WriteProgramLog(const std::string& strFile) { WriteWhole(kLogChannel, strFile, PrintLog); }

void WriteTractComposition(const std::string& strFile) {
  WriteWhole(kCompositionChannel, strFile, PrintComposition);
}

}  // namespace qel
