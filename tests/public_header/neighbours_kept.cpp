// A program that sees the engine through its public header alone. It loads a
// real study area, then an empty, a missing and a self-arcs-only contiguity
// file, and must find every neighbour list as it was, with a message each time.
#include <cstdio>
#include <string>
#include <vector>

#include "engine.h"

namespace {

int g_failed = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) ++g_failed;
}

// Every count, neighbour and length of every list.
std::string NeighbourLists() {
  std::string s;
  for (int r = 1; r <= qel::kTableSize; ++r) {
    const qel::udtBB& b = qel::arrBB(r);
    s += std::to_string(b.intNNbrs) + ":";
    for (int k = 1; k <= b.intNNbrs; ++k) s += " " + std::to_string(b.intNbr(k)) + "/" + qel::Str(b.dblNbrLen(k));
    s += "\n";
  }
  return s;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  qel::FileOpenOutput(5, path);
  for (const std::string& line : lines) qel::PrintLine(5, line);
  qel::FileClose(5);
}

}  // namespace

int main() {
  std::vector<std::string> boxes;
  qel::SetMessageBoxHandler([&boxes](const std::string& prompt, int, const std::string&) {
    boxes.push_back(prompt);
    return static_cast<int>(qel::kIdOk);
  });
  qel::ResetEngineState();
  qel::StartMain();

  const std::string area = std::string(QEL_SOURCE_DIR) + "/tests/data/sids";
  std::string nameA, nameB;
  int16_t arcs = 0;
  qel::ReadIntersectionFile(0, area + ".pat", nameA, nameB);
  qel::ReadContiguityFile(area + ".ctg", arcs);
  Check(qel::intNRecs == 101 && arcs == 287 && boxes.empty(), "the counties load: 101 records, 287 arcs");
  const std::string loaded = NeighbourLists();

  WriteLines("neighbours_kept_empty.ctg", {});
  WriteLines("neighbours_kept_self.ctg", {"2 2 10.5", "7 7 3"});
  const std::pair<const char*, const char*> files[] = {{"empty", "neighbours_kept_empty.ctg"},
                                                       {"missing", "neighbours_kept_missing.ctg"},
                                                       {"self-arcs-only", "neighbours_kept_self.ctg"}};
  for (const auto& [label, path] : files) {
    boxes.clear();
    arcs = -1;
    qel::ReadContiguityFile(path, arcs);
    const std::string what = std::string("the ") + label + " contiguity file";
    Check(arcs == 0, what + " loads no arc");
    Check(boxes.size() == 1, what + " shows one message: " + (boxes.empty() ? "none" : boxes.front()));
    Check(NeighbourLists() == loaded, what + " leaves every neighbour list as it was");
  }
  std::printf("%d failed\n", g_failed);
  return g_failed == 0 ? 0 : 1;
}
