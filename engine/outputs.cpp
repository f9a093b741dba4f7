// The program log and the tract composition file, saved from the output
// window after a run. Both write the results that the last run kept at its
// end, whatever has been loaded or set since.
#include <string>

#include "engine.h"

namespace qel {

namespace {

constexpr int kCompositionChannel = 3;
constexpr int kLogChannel = 4;

const std::string kSeparator(54, '=');

void PrintLog(int ch) {
  const udtRunResult& r = udtLastRun;
  PrintLine(ch, kSeparator);
  const TimeAndDate now = TimeAndDateNow();
  PrintLine(ch, "QEL Program Log written at " + now.time + " on " + now.date);
  PrintLine(ch, kSeparator);
  PrintLine(ch, "Input file : " + r.strInputFile);
  PrintLine(ch, "Number of iterations : " + Str(static_cast<int>(r.intNIterations)));
  PrintLine(ch, "Elapsed time         : " + Str(static_cast<int>(r.intElapsedSecs)) + " seconds");
  if (r.blnThresholdPop) PrintLine(ch, "Threshold population : " + Str(r.dblThreshold));
  if (r.blnTargetPop) PrintLine(ch, "Target population    : " + Str(r.dblTarget));
  if (r.blnTargetPop || r.blnThresholdPop)
    PrintLine(ch, r.intPopLayer == 1 ? "Population layer     : A" : "Population layer     : B");
  if (r.blnShape) PrintLine(ch, "P2A constraint       : " + Str(r.dblShapeWeight));
  if (r.blnHomog) PrintLine(ch, "IAC constraint       : " + Str(r.dblHomWeight));
  if (r.blnFixedA) PrintLine(ch, "Boundary layer A     : Fixed");
  if (r.blnFixedB) PrintLine(ch, "Boundary layer B     : Fixed");
  if (r.blnApprox) PrintLine(ch, "Approximate matching : On");
  if (r.blnIRAApprox) PrintLine(ch, "IRA based on approximate matching");
  PrintLine(ch, r.blnSA ? "SA                   : On " : "SA                   : Off ");
  PrintLine(ch, kSeparator);
  PrintLine(ch, "Best iteration : " + Str(static_cast<int>(r.intBestIteration)));
  PrintLine(ch, "Best TP value  : " + Str(r.dblBestTP));
  PrintLine(ch, "Best P2A value : " + Str(r.dblBestP2A));
  PrintLine(ch, "Best IAC value : " + Str(r.dblBestIAC));
  PrintLine(ch, "Best Min value : " + Str(r.dblBestMin));
  PrintLine(ch, "Best Apx value : " + Str(r.dblBestApx));
  PrintLine(ch, Str(static_cast<int>(r.intIslandsSkipped)) + " sub-threshold islands skipped");
  PrintLine(ch, kSeparator);
  PrintLine(ch, "Tract ID, Pop, No. parts, BBinput IDs");
  const int tracts = static_cast<int>(r.intTractID.size());
  for (int t = 1; t <= tracts; ++t) PrintLine(ch, RunTractLine(t));
  PrintLine(ch, kSeparator);
}

// A block in no IBB has no tract: its line carries tract 0, so the file
// still holds one line per block and no line names a tract it is not in.
void PrintComposition(int ch) {
  const udtRunResult& r = udtLastRun;
  for (std::size_t k = 0; k < r.intBlockID.size(); ++k) WriteRecord(ch, {r.intBlockID[k], r.intBlockTract[k]});
}

// Writes through the channel and replaces the target only when every line
// was written; on any failure the existing file stays as it was.
// A failure names the file.
template <class Body>
void WriteWhole(int ch, const std::string& strFile, bool tracts, Body body) {
  try {
    if (const std::string refusal = RunResultRefusal(tracts); !refusal.empty()) {
      RaiseError(kErrInvalidValue, refusal);
    }
    FileOpenOutput(ch, strFile);
    body(ch);
    FileCloseAll();
  } catch (...) {
    FileAbortAll();
    throw InFile(ErrorFromException(std::current_exception()), strFile, 0);
  }
}

}  // namespace

void WriteProgramLog(const std::string& strFile) { WriteWhole(kLogChannel, strFile, false, PrintLog); }

void WriteTractComposition(const std::string& strFile) {
  WriteWhole(kCompositionChannel, strFile, true, PrintComposition);
}

}  // namespace qel
