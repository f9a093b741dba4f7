// Builds the zone table of the matching layer from the intersection file:
// its records grouped by their zone code in the layer that is not fixed.
#include <cmath>
#include <utility>
#include <vector>

#include "engine.h"
#include "intersection_file.h"

namespace qel {

namespace {

void AddMember(udtZone& zone, int16_t record, double pop) {
  if (zone.intNBB >= kListSize) {
    RaiseSubscriptError("zone " + Str(static_cast<int>(zone.intCode)) + " has more than 500 records");
  }
  const int k = zone.intNBB + 1;
  zone.intBB(k) = record;
  zone.intBBTract(k) = 0;
  zone.dblBBPop(k) = pop;
  zone.dblPop += pop;
  zone.intNBB = static_cast<int16_t>(k);
}

void AddZone(int16_t code, int16_t record, double pop) {
  if (intNZones >= kTableSize) {
    RaiseSubscriptError("more than 2000 zones");
  }
  udtZone& zone = arrZone(intNZones + 1);
  zone.intCode = code;
  zone.intNBB = 0;
  zone.dblPop = 0;
  zone.dblMismatch = 0;
  AddMember(zone, record, pop);
  intNZones = static_cast<int16_t>(intNZones + 1);
}

// True when the line read as record r is still the record loaded: the zones
// name records of the loaded study area, so the file (and the header
// setting) must give the same records as at the load.
bool SameAsLoaded(int r, double first, int16_t code, double pop) {
  if (r > intNRecs) return false;
  const udtBB& b = std::as_const(arrBB)(r);
  return std::nearbyint(first) == b.intID && code == (blnFixedA ? b.intZoneB : b.intZoneA) &&
         pop == (intPopLayer == 1 ? b.dblPopA : b.dblPopB);
}

// The line's block number, zone code and population as the load read them;
// false when they no longer convert (the file has changed since).
bool ReadZoneLine(const LineFields& fields, int codeField, int popField, double& first, int16_t& code,
                  double& pop) {
  try {
    first = CDbl(Field(fields, 1));
    // Codes compare as the 16-bit values that the blocks hold, so 07 and 7
    // (or 7.2) are one zone.
    code = CInt(Field(fields, codeField));
    pop = CDbl(Field(fields, popField));
    return true;
  } catch (const RuntimeError&) {
    return false;
  }
}

void ShowChangedFile(const std::string& strFile, int line) {
  MsgBox("The intersection file no longer holds the study area loaded from it (" + FileLine(strFile, line) +
             "): load it again before a run with approximate matching",
         kMbExclamation, "Intersection file");
}

}  // namespace

bool ReadMatchZones(int16_t intHeader, const std::string& strFile) {
  intNZones = 0;
  int records = 0;  // counted apart: the loaded records stay as they are
  int line = 0;     // the line being read, for the message
  try {
    TokenArray tok;
    if (!OpenIntersectionFile(intHeader, strFile, tok, line)) return false;

    const int codeField = blnFixedA ? 3 : 2;
    const int popField = intPopLayer == 1 ? 4 : 5;
    // The zone of each 16-bit code, by code + 32768; 0 while it has none.
    std::vector<int16_t> zoneOf(65536, 0);
    std::string text;
    LineFields fields;
    // Every line must be a record loaded, so the count stays within the
    // loaded records and the tables.
    bool same = true;
    while (!FileEof(kIntersectionChannel)) {
      ++line;
      SplitFields(LineView(kIntersectionChannel, text), fields);
      const int16_t record = static_cast<int16_t>(records + 1);
      double first = 0, pop = 0;
      int16_t code = 0;
      same = ReadZoneLine(fields, codeField, popField, first, code, pop) && SameAsLoaded(record, first, code, pop);
      if (!same) break;
      // The outside belongs to no zone, wherever its line stands.
      if (first != 1) {
        int16_t& z = zoneOf[static_cast<std::size_t>(code + 32768)];
        if (z > 0) {
          AddMember(arrZone(z), record, pop);
        } else {
          AddZone(code, record, pop);
          z = intNZones;
        }
      }
      records = record;
    }
    FileClose(kIntersectionChannel);
    if (same && records != intNRecs) {
      same = false;
      line = 0;  // records missing: no line is at fault
    }
    if (!same) {
      ShowChangedFile(strFile, line);
      intNZones = 0;
      return false;
    }

    double total = 0;
    for (int z = 1; z <= intNZones; ++z) total += arrZone(z).dblPop;
    dblTotalPop = total;
    return true;
  } catch (...) {
    FileAbort(kIntersectionChannel);
    ShowErrorBox(InFile(ErrorFromException(std::current_exception()), strFile, line));
    intNZones = 0;
    return false;
  }
}

}  // namespace qel
