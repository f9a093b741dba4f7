// Reads the intersection file, one building block record per line, into
// arrBB with the population totals and the input summary's extremes.
#include <cmath>

#include "contiguity_reader.h"
#include "engine.h"
#include "intersection_file.h"

namespace qel {

namespace {

constexpr int kFirstHomField = 7;
constexpr int kMaxRecordFields = kFirstHomField - 1 + kHomSize;
constexpr double kNoSmallest = 1.7E+308;
constexpr double kNoLargest = -1;

// A record converted from its fields. It reaches arrBB only when the whole
// line converts, so a failing line leaves no half-written record behind.
struct ParsedRecord {
  int16_t id = 0, zoneA = 0, zoneB = 0;
  double popA = 0, popB = 0, area = 0;
  int nHom = 0;
  HomArray hom;
};

ParsedRecord ParseRecord(const LineFields& f) {
  if (f.n > kMaxRecordFields) {
    RaiseSubscriptError("a record has more than 18 fields");
  }
  ParsedRecord p;
  p.id = CInt(Field(f, 1));
  p.zoneA = CInt(Field(f, 2));
  p.zoneB = CInt(Field(f, 3));
  p.popA = CDbl(Field(f, 4));
  p.popB = CDbl(Field(f, 5));
  p.area = CDbl(Field(f, 6));
  for (int k = kFirstHomField; k <= f.n; ++k) p.hom(k - kFirstHomField + 1) = CDbl(Field(f, k));
  p.nHom = f.n - (kFirstHomField - 1);
  return p;
}

struct Extremes {
  double minA = kNoSmallest, minB = kNoSmallest;
  double maxA = kNoLargest, maxB = kNoLargest;
};

void Track(double value, double& smallest, double& largest) {
  if (value < smallest) smallest = value;
  if (value > largest) largest = value;
}

void StoreRecord(int r, const ParsedRecord& p, Extremes& ext) {
  udtBB& bb = arrBB(r);
  bb.intID = p.id;
  bb.intZoneA = p.zoneA;
  bb.intZoneB = p.zoneB;
  bb.dblPopA = p.popA;
  bb.dblPopB = p.popB;
  bb.dblArea = p.area;
  for (int v = 1; v <= p.nHom; ++v) bb.dblHom(v) = p.hom(v);
  // Record 1, the outside, counts in the totals but not in the extremes.
  if (r > 1) {
    Track(p.popA, ext.minA, ext.maxA);
    Track(p.popB, ext.minB, ext.maxB);
  }
  dblTotPopA += p.popA;
  dblTotPopB += p.popB;
  intNHomVars = static_cast<int16_t>(p.nHom);
}

// Rounded to a whole number (ties to even) and shown in full: populations
// are floats, and a block above 32767 is valid data, not a failed load.
std::string ExtremeText(double value) {
  const double r = std::nearbyint(value);
  if (std::fabs(r) < 9.0e15) return Str(static_cast<long long>(r));
  return Str(r);
}

void ShowExtremes(const Extremes& ext) {
  // With no block the smallest values are still at their 1.7E+308 start.
  if (intNRecs < 2) {
    RaiseError(kErrOverflow, "Overflow: the file holds no building block");
  }
  Windows().SetInputSummaryLabel(SummaryLabel::lblAmin, ExtremeText(ext.minA));
  Windows().SetInputSummaryLabel(SummaryLabel::lblBmin, ExtremeText(ext.minB));
  Windows().SetInputSummaryLabel(SummaryLabel::lblAmax, ExtremeText(ext.maxA));
  Windows().SetInputSummaryLabel(SummaryLabel::lblBmax, ExtremeText(ext.maxB));
}

}  // namespace

bool OpenIntersectionFile(int16_t intHeader, const std::string& strFile, TokenArray& tok, int& line) {
  FileOpenInput(kIntersectionChannel, strFile);
  if (intHeader != 1) return true;
  line = 1;
  const std::string header = LineInput(kIntersectionChannel);
  if (MsgBox("Header Line reads " + header, kMbInformationOkCancel, "Header information") != kIdOk) {
    FileClose(kIntersectionChannel);
    return false;
  }
  int16_t nFields = 0;
  SplitLine(header, tok, nFields);
  return true;
}

void StopAtRecordLimit() {
  MsgBox("Too many zone records in intersection file", kMbCritical, "Too many zones");
  FileClose(kIntersectionChannel);
}

void ReadIntersectionFile(int16_t intHeader, const std::string& strFile, std::string& strNameA,
                          std::string& strNameB) {
  intNRecs = 0;
  int line = 0;  // the line being read, for the message; 0 when none is
  try {
    TokenArray tok;
    if (!OpenIntersectionFile(intHeader, strFile, tok, line)) return;
    // A new study area is read: the neighbours of the earlier one name its
    // records. A file that cannot be opened, or Cancel, keeps them.
    ClearNeighbourLists();
    if (intHeader == 1) {
      strNameA = tok(2);
      strNameB = tok(3);
    }

    dblTotPopA = 0;
    dblTotPopB = 0;
    Extremes ext;
    std::string text;
    LineFields fields;
    while (!FileEof(kIntersectionChannel)) {
      if (AtRecordLimit(intNRecs)) {
        // A study area cut short would be run as if it were whole: the load
        // counts as failed, and nothing of it is left counted.
        StopAtRecordLimit();
        intNRecs = 0;
        intNHomVars = 0;
        dblTotPopA = dblTotPopB = 0;
        return;
      }
      ++line;
      SplitFields(LineView(kIntersectionChannel, text), fields);
      const ParsedRecord p = ParseRecord(fields);
      const int r = intNRecs + 1;
      StoreRecord(r, p, ext);
      intNRecs = static_cast<int16_t>(r);
    }
    FileClose(kIntersectionChannel);
    line = 0;

    ShowExtremes(ext);
    blnDemoFile = strFile.ends_with("QELdemo.pat");
  } catch (...) {
    FileAbort(kIntersectionChannel);
    ShowErrorBox(AtLine(ErrorFromException(std::current_exception()), line));
  }
}

}  // namespace qel
