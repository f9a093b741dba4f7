// Reads the intersection file, one building block record per line, into
// arrBB with the population totals and the input summary's extremes. A file
// is loaded whole or not at all.
#include <algorithm>
#include <cmath>
#include <vector>

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
// file converts, so a failing line leaves the loaded area as it was.
struct ParsedRecord {
  int16_t id = 0, zoneA = 0, zoneB = 0;
  double popA = 0, popB = 0, area = 0;
  int nHom = 0;
  HomArray hom;
};

[[noreturn]] void RaiseMissingField(const LineFields& f, int k) {
  if (k > f.n) {
    RaiseError(kErrTypeMismatch, "Type mismatch: field " + Str(k) + " is missing; a record needs " +
                                     Str(kFirstHomField - 1) + " fields at least");
  }
  RaiseError(kErrTypeMismatch, "Type mismatch: field " + Str(k) + " is empty");
}

// The text of field k for a conversion, refused with what is wrong with it
// (those messages name the field themselves).
inline std::string_view NumberField(const LineFields& f, int k, int& field) {
  const std::string_view text = Field(f, k);
  if (text.empty()) {
    field = 0;
    RaiseMissingField(f, k);
  }
  field = k;
  return text;
}

// Record r's own number: the preparation marks a placed block by making its
// number negative, so a block needs a number of 1 or more, and the outside
// (record 1), which is never marked, one that is not negative.
void CheckBlockNumber(int r, int16_t id) {
  if (r > 1 && id < 1) {
    RaiseError(kErrInvalidValue,
               "Invalid value: a block number must be 1 or more, not " + Str(static_cast<int>(id)));
  }
  if (r == 1 && id < 0) {
    RaiseError(kErrInvalidValue, "Invalid value: the number of the outside (record 1) must be 0 or more, not " +
                                     Str(static_cast<int>(id)));
  }
}

ParsedRecord ParseRecord(int r, const LineFields& f, int& field) {
  field = 0;
  if (f.n == 1 && f.field[1].empty()) RaiseError(kErrTypeMismatch, "Type mismatch: the line is empty");
  if (f.n > kMaxRecordFields) RaiseSubscriptError("a record has more than 18 fields");
  ParsedRecord p;
  p.id = CInt(NumberField(f, 1, field));
  field = 0;  // the message names the number itself
  CheckBlockNumber(r, p.id);
  p.zoneA = CInt(NumberField(f, 2, field));
  p.zoneB = CInt(NumberField(f, 3, field));
  p.popA = CDbl(NumberField(f, 4, field));
  p.popB = CDbl(NumberField(f, 5, field));
  p.area = CDbl(NumberField(f, 6, field));
  for (int k = kFirstHomField; k <= f.n; ++k) p.hom(k - kFirstHomField + 1) = CDbl(NumberField(f, k, field));
  p.nHom = f.n - (kFirstHomField - 1);
  field = 0;
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

// The study area as the file gives it, gathered apart from the one loaded:
// it replaces that one only when every line has been read.
struct ReadArea {
  std::vector<ParsedRecord> records;  // record r at position r - 1
  double totA = 0, totB = 0;
  Extremes ext;
  int nHom = 0;

  void Add(const ParsedRecord& p) {
    records.push_back(p);
    // Record 1, the outside, counts in the totals but not in the extremes.
    if (records.size() > 1) {
      Track(p.popA, ext.minA, ext.maxA);
      Track(p.popB, ext.minB, ext.maxB);
    }
    totA += p.popA;
    totB += p.popB;
    nHom = p.nHom;
  }
};

// Each record's homogeneity values are its own: those it does not carry are
// 0, never a value of the study area loaded before.
void StoreRecord(int r, const ParsedRecord& p) {
  udtBB& bb = arrBB(r);
  bb.intID = p.id;
  bb.intZoneA = p.zoneA;
  bb.intZoneB = p.zoneB;
  bb.dblPopA = p.popA;
  bb.dblPopB = p.popB;
  bb.dblArea = p.area;
  for (int v = 1; v <= kHomSize; ++v) bb.dblHom(v) = v <= p.nHom ? p.hom(v) : 0;
}

// Rounded to a whole number (ties to even) and shown in full: populations
// are floats, and a block above 32767 is valid data, not a failed load.
std::string ExtremeText(double value) {
  const double r = std::nearbyint(value);
  if (std::fabs(r) < 9.0e15) return Str(static_cast<long long>(r));
  return Str(r);
}

void ShowExtremes(const Extremes& ext) {
  Windows().SetInputSummaryLabel(SummaryLabel::lblAmin, ExtremeText(ext.minA));
  Windows().SetInputSummaryLabel(SummaryLabel::lblBmin, ExtremeText(ext.minB));
  Windows().SetInputSummaryLabel(SummaryLabel::lblAmax, ExtremeText(ext.maxA));
  Windows().SetInputSummaryLabel(SummaryLabel::lblBmax, ExtremeText(ext.maxB));
}

// The new study area takes the place of the one loaded: its records, totals
// and captions, no neighbours yet, and no result of the area before.
void StoreArea(const ReadArea& a, const std::string& strFile) {
  ClearNeighbourLists();
  const int n = static_cast<int>(a.records.size());
  for (int r = 1; r <= n; ++r) StoreRecord(r, a.records[static_cast<std::size_t>(r - 1)]);
  intNRecs = static_cast<int16_t>(n);
  dblTotPopA = a.totA;
  dblTotPopB = a.totB;
  intNHomVars = static_cast<int16_t>(a.nHom);
  ShowExtremes(a.ext);
  blnDemoFile = strFile.ends_with("QELdemo.pat");
  LeaveStudyArea();
}

// True when `records` records are read: one more would pass intMaxRecs.
bool AtRecordLimit(int records) { return records >= intMaxRecs; }

void ShowRecordLimit(const std::string& strFile, int line) {
  MsgBox("Too many zone records in intersection file (" + FileLine(strFile, line) + ")", kMbCritical,
         "Too many zones");
}

// Reads every line of the open file into `area`; false at a record past the
// limit. A failing line raises its error, with `line` and `field` telling
// where.
bool ReadRecords(ReadArea& area, int& line, int& field) {
  std::string text;
  LineFields fields;
  while (!FileEof(kIntersectionChannel)) {
    ++line;
    if (AtRecordLimit(static_cast<int>(area.records.size()))) return false;
    SplitFields(LineView(kIntersectionChannel, text), fields);
    area.Add(ParseRecord(static_cast<int>(area.records.size()) + 1, fields, field));
  }
  // With no block the file describes no study area: no line is at fault.
  if (area.records.size() < 2) {
    line = 0;
    RaiseError(kErrOverflow, "Overflow: the file holds no building block");
  }
  return true;
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

bool ReadIntersectionFile(int16_t intHeader, const std::string& strFile, std::string& strNameA,
                          std::string& strNameB) {
  int line = 0;   // the line being read, for the message; 0 when none is
  int field = 0;  // the field being converted, for the message; 0 when none is
  try {
    TokenArray tok;
    if (!OpenIntersectionFile(intHeader, strFile, tok, line)) return false;
    ReadArea area;
    area.records.reserve(static_cast<std::size_t>(std::max<int>(intMaxRecs, 0)));
    const bool whole = ReadRecords(area, line, field);
    FileClose(kIntersectionChannel);
    if (!whole) {
      ShowRecordLimit(strFile, line);
      return false;
    }
    StoreArea(area, strFile);
    if (intHeader == 1) {
      strNameA = tok(2);
      strNameB = tok(3);
    }
    return true;
  } catch (...) {
    // Nothing of the file has reached the tables: the area loaded before,
    // its neighbours and its results stay as they were.
    FileAbort(kIntersectionChannel);
    RuntimeError e = ErrorFromException(std::current_exception());
    if (field > 0) e = RuntimeError(e.Number(), e.Description() + " in field " + Str(field));
    ShowErrorBox(InFile(e, strFile, line));
    return false;
  }
}

}  // namespace qel
