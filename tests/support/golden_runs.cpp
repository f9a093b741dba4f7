#include "golden_runs.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <fstream>
#include <sstream>

#include "bench_config.h"
#include "engine.h"
#include "run_loop.h"
#include "test_support.h"

namespace qeltest {

using namespace qel;
namespace fs = std::filesystem;

namespace {

std::string Hex16(uint64_t v) {
  char buf[20];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

// FNV-1a over the values fed to it: the same on every compiler and platform.
class Fingerprint {
 public:
  void Add(uint64_t v) {
    for (int k = 0; k < 8; ++k) Byte(v >> (8 * k));
  }
  void Add(double v) { Add(std::bit_cast<uint64_t>(v)); }
  void Add(int v) { Add(static_cast<uint64_t>(static_cast<int64_t>(v))); }
  void Add(const std::string& s) {
    for (unsigned char c : s) Byte(c);
  }
  std::string Hex() const { return Hex16(h_); }

 private:
  void Byte(uint64_t b) { h_ = (h_ ^ (b & 0xFF)) * 0x100000001B3ULL; }
  uint64_t h_ = 0xCBF29CE484222325ULL;
};

// A double as its text and its bit pattern.
std::string Bits(double v) { return Str(v) + " [" + Hex16(std::bit_cast<uint64_t>(v)) + "]"; }

template <class List>
void AddList(Fingerprint& f, const List& list, int n) {
  f.Add(n);
  for (int k = 1; k <= n; ++k) f.Add(static_cast<int>(list(k)));
}

// The IBBs and references that the preparation built.
std::string PreparationPrint() {
  Fingerprint f;
  for (int g = 1; g <= intNIBB; ++g) {
    const udtIBB& ibb = arrIBB(g);
    AddList(f, ibb.intMember, ibb.intNMembers);
    AddList(f, ibb.intNbr, ibb.intNNbrs);
    for (int k = 1; k <= ibb.intNNbrs; ++k) f.Add(ibb.dblNbrLen(k));
    f.Add(ibb.dblPop), f.Add(ibb.dblArea), f.Add(ibb.dblHomTotal);
    for (int v = 1; v <= intNHomVars && v <= kHomSize; ++v) f.Add(ibb.dblHom(v));
  }
  for (int r = 1; r <= intNRecs; ++r) f.Add(static_cast<int>(arrBB(r).intIBB));
  for (int v = 1; v <= intNHomVars && v <= kHomSize; ++v) f.Add(dblHomMean(v));
  f.Add(dblHomPopTot);
  Fingerprint z;
  for (int k = 1; k <= intNZones; ++k) {
    const udtZone& zone = arrZone(k);
    z.Add(static_cast<int>(zone.intCode)), z.Add(zone.dblPop);
    AddList(z, zone.intBB, zone.intNBB);
    for (int m = 1; m <= zone.intNBB; ++m) z.Add(zone.dblBBPop(m));
  }
  return "prepared ibbs=" + std::to_string(intNIBB) + " [" + f.Hex() + "] target-tracts=" +
         std::to_string(intTargetTracts) + " zones=" + std::to_string(intNZones) + " [" + z.Hex() +
         "] total=" + Bits(dblTotalPop) + " hom-total=" + Bits(dblHomPopTot);
}

// The current tracts: members and neighbours in list order, and the values
// that the objective reads.
std::string TractsPrint() {
  Fingerprint f;
  for (int t = 1; t <= intNTracts; ++t) {
    const udtTract& tr = arrTract(t);
    f.Add(static_cast<int>(tr.intID));
    AddList(f, tr.intMember, tr.intNMembers);
    AddList(f, tr.intNbr, tr.intNNbrs);
    for (int k = 1; k <= tr.intNNbrs; ++k) f.Add(tr.dblNbrLen(k));
    f.Add(tr.dblPop), f.Add(tr.dblArea), f.Add(tr.dblP2);
    // The homogeneity values are kept only while the term is on.
    if (!blnHomog) continue;
    f.Add(tr.dblHomTotal);
    for (int v = 1; v <= intNHomVars && v <= kHomSize; ++v) f.Add(tr.dblHomProp(v));
  }
  for (int g = 1; g <= intNIBB; ++g) f.Add(static_cast<int>(arrIBB(g).intTract));
  return "tracts=" + std::to_string(intNTracts) + " [" + f.Hex() + "]";
}

// Records boxes, window operations and run decisions, in the order they
// happen, as lines of the trace.
class Tracer : public WindowOps, public RunObserver {
 public:
  Tracer(std::deque<int>& answers, int lookUpTable, bool everyTrial, RunObserver* also)
      : answers_(answers), lookUpTable_(lookUpTable), everyTrial_(everyTrial), also_(also) {
    SetWindowOps(this);
    SetRunObserver(this);
    SetMessageBoxHandler([this](const std::string& prompt, int style, const std::string& title) {
      int answer = kIdOk;
      if (!answers_.empty()) answer = answers_.front(), answers_.pop_front();
      Line("box " + std::to_string(style) + " \"" + title + "\" \"" + prompt + "\" -> " + std::to_string(answer));
      return answer;
    });
  }
  ~Tracer() override {
    SetMessageBoxHandler(nullptr);
    SetRunObserver(nullptr);
    SetWindowOps(nullptr);
  }

  void Line(const std::string& text) {
    FlushValues();
    out_ << text << '\n';
  }
  // As the Run command does before a run.
  void ClearProgressList() { progressLines_ = 0; }
  // The lines so far, which leave the record.
  std::string Take() {
    FlushValues();
    std::string text = out_.str();
    out_.str("");
    return text;
  }

  // WindowOps
  void SetInputSummaryLabel(SummaryLabel which, const std::string& text) override {
    Line("summary " + std::to_string(static_cast<int>(which)) + " " + text);
  }
  void SetProgressCaption(const std::string& text, bool repaint) override {
    Line("caption \"" + text + "\"" + (repaint ? " repainted" : ""));
  }
  void SetProgressValue(int value) override {
    // A preparation reports every record: consecutive repeats are one entry.
    if (values_.empty() || values_.back() != value) values_.push_back(value);
  }
  void AddProgressLine(const std::string& line) override {
    ++progressLines_;
    Line("progress \"" + line + "\"");
  }
  int ProgressLineCount() override { return progressLines_; }
  void SelectProgressLine(int index) override { Line("select " + std::to_string(index)); }
  void HideProgress() override { Line("hide progress"); }
  int OptionsLUTValue() override { return lookUpTable_; }
  void ShowOutput() override { Line("show output"); }
  void SetMapShapeFillStyle(int shape, int style) override { Map("fill-style", shape, style); }
  void SetMapShapeBorderStyle(int shape, int style) override { Map("border-style", shape, style); }
  void SetMapShapeFillColor(int shape, uint32_t colour) override { Map("colour", shape, static_cast<int>(colour)); }
  void SetMapLineBorderStyle(int style) override { Map("line", 0, style); }
  void RefreshMap() override { Line("map refresh"); }
  void ShowMap() override { Line("map show"); }
  void FocusMapClose() override { Line("map focus"); }

  // RunObserver
  void Started(int iteration, double allowance, double objective) override {
    trials_ = kept_ = 0;
    moves_ = Fingerprint();
    Line("iteration " + std::to_string(iteration) + " allowance " + Bits(allowance) + " islands " +
         std::to_string(intIslandsSkipped) + " start " + TractsPrint() + " objective " + Bits(objective));
    if (also_) also_->Started(iteration, allowance, objective);
  }
  void Tried(int16_t receiver, int16_t ibb, int16_t donor, double objective, bool kept) override {
    ++trials_;
    kept_ += kept;
    moves_.Add(static_cast<int>(receiver)), moves_.Add(static_cast<int>(ibb)), moves_.Add(static_cast<int>(donor));
    moves_.Add(objective), moves_.Add(static_cast<int>(kept));
    if (everyTrial_)
      Line("trial " + std::to_string(receiver) + " " + std::to_string(ibb) + " " + std::to_string(donor) + " " +
           Bits(objective) + (kept ? " kept" : ""));
    if (also_) also_->Tried(receiver, ibb, donor, objective, kept);
  }
  void Finished(int iteration, double objective) override {
    Line("iteration " + std::to_string(iteration) + " trials " + std::to_string(trials_) + " kept " +
         std::to_string(kept_) + " [" + moves_.Hex() + "] end " + TractsPrint() + " objective " + Bits(objective));
    if (also_) also_->Finished(iteration, objective);
  }

 private:
  void FlushValues() {
    if (values_.empty()) return;
    out_ << "values";
    for (int v : values_) out_ << ' ' << v;
    out_ << '\n';
    values_.clear();
  }
  void Map(const char* what, int shape, int value) {
    Line(std::string("map ") + what + " " + std::to_string(shape) + " " + std::to_string(value));
  }

  std::deque<int>& answers_;
  int lookUpTable_;
  bool everyTrial_;
  RunObserver* also_;
  std::ostringstream out_;
  std::vector<int> values_;
  int progressLines_ = 0;
  int64_t trials_ = 0, kept_ = 0;
  Fingerprint moves_;
};

// A file's text, or its size and fingerprint when it is long.
std::string FileBlock(const std::string& label, const fs::path& path) {
  if (!fs::exists(path)) return label + " none\n";
  const std::string text = ReadWholeFile(path.string());
  Fingerprint f;
  f.Add(text);
  return label + " " + std::to_string(text.size()) + " bytes [" + f.Hex() + "]\n";
}

// The program log line by line, the moment it was written and the input's
// path (a scratch folder) left out.
std::string LogBlock(const fs::path& path) {
  std::istringstream in(ReadWholeFile(path.string()));
  std::string out = "log\n";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("QEL Program Log written at ", 0) == 0) line = "QEL Program Log written at <time>\r";
    if (line.rfind("Input file : ", 0) == 0) line = "Input file : <input>\r";
    out += "  " + line + "\n";
  }
  return out;
}

// ---- The study areas and settings ------------------------------------------------

using Answers = std::deque<int>;

GoldenRun Bench(const std::string& name, qelbench::Config config, int cols, int rows) {
  return {name, [=](const fs::path& dir, Answers&) {
            qelbench::PrepareRun(dir, cols, rows, config);
            intNIterations = qelbench::kRunIterations;
          }};
}

// Settings on a loaded study area, then the preparation as Run does it.
GoldenRun Area(const std::string& name, std::function<void(const fs::path&)> load, RunSettings s,
               std::vector<int> answers = {}, int lookUpTable = 0) {
  return {name,
          [=](const fs::path& dir, Answers& queue) {
            load(dir);
            queue.assign(answers.begin(), answers.end());
            PrepareRun(s);
          },
          lookUpTable};
}

std::function<void(const fs::path&)> Repo(const std::string& name) {
  const std::string base = std::string(QEL_SOURCE_DIR) + "/" + name;
  return [=](const fs::path&) { LoadStudyArea(base + ".pat", base + ".ctg"); };
}
std::function<void(const fs::path&)> Lat(Lattice l) {
  return [=](const fs::path& dir) { LoadLattice(dir, l); };
}
// A lattice with one cell moved into another zone of the matching layer
// (zone A), so the tract of that zone falls apart at the start.
std::function<void(const fs::path&)> Moved(Lattice l, const std::string& from, const std::string& to) {
  return [=](const fs::path& dir) {
    LoadLattice(dir, l);
    std::string pat = ReadWholeFile((dir / "lattice.pat").string());
    pat.replace(pat.find(from), from.size(), to);
    std::ofstream(dir / "lattice.pat") << pat;
    LoadStudyArea((dir / "lattice.pat").string(), (dir / "lattice.ctg").string());
  };
}

std::vector<GoldenRun> MakeRuns() {
  using qelbench::Config;
  std::vector<GoldenRun> runs;
  const std::pair<int, int> sizes[] = {{25, 20}, {40, 25}, {46, 43}};
  const std::pair<const char*, Config> configs[] = {{"threshold", Config::kThresholdOnly},
                                                    {"target-shape", Config::kTargetShape},
                                                    {"target-shape-homog", Config::kTargetShapeHomog},
                                                    {"matching-fixed-a", Config::kMatchingFixedA}};
  for (const auto& [label, config] : configs)
    for (const auto& [cols, rows] : sizes)
      runs.push_back(Bench(std::string("bench-") + label + "-" + std::to_string(cols * rows), config, cols, rows));

  const auto demo = Repo("data/QELdemo"), sids = Repo("tests/data/sids");
  runs.push_back(Area("demo-threshold", demo, {.threshold = true, .thresholdPop = 200, .sa = true, .iterations = 6}));
  runs.push_back(Area("demo-all-terms", demo,
                      {.threshold = true, .target = true, .shape = true, .homog = true, .thresholdPop = 150,
                       .targetPop = 300, .groups = {2, 1}, .sa = true, .iterations = 6}));
  runs.push_back(Area("demo-matching-fixed-a", demo,
                      {.target = true, .targetPop = 250, .fixedA = true, .approx = true, .iterations = 4}, {}, 1));
  runs.push_back(Area("demo-no-constraints", demo, {.iterations = 3}));

  for (const bool sa : {true, false})
    runs.push_back(Area(sa ? "sids-all-terms-sa" : "sids-all-terms-no-sa", sids,
                        {.threshold = true, .target = true, .shape = true, .homog = true, .thresholdPop = 9600,
                         .targetPop = 16000, .groups = {2, 2, 1, 1}, .sa = sa, .iterations = 8}));
  runs.push_back(Area("sids-both-fixed", sids,
                      {.threshold = true, .target = true, .thresholdPop = 9600, .targetPop = 16000, .fixedA = true,
                       .fixedB = true, .sa = true, .iterations = 4}));
  runs.push_back(Area("sids-matching-fixed-a", sids,
                      {.target = true, .shape = true, .targetPop = 30000, .fixedA = true, .approx = true, .sa = true,
                       .iterations = 4}, {}, 1));
  runs.push_back(Area("sids-matching-start", sids,
                      {.threshold = true, .thresholdPop = 60000, .approx = true, .iraApprox = true, .sa = true,
                       .iterations = 3}, {}, 1));
  runs.push_back(Area("sids-population-b", sids,
                      {.threshold = true, .target = true, .thresholdPop = 12000, .targetPop = 20000, .fixedB = true,
                       .sa = true, .popLayer = 2, .iterations = 4}));

  const Lattice rook{.cols = 14, .rows = 12, .homVars = 4};
  const Lattice king{.cols = 14, .rows = 12, .homVars = 4, .king = true};
  for (const auto& [label, l] : {std::pair{"rook", rook}, std::pair{"king", king}}) {
    const std::string at = std::string("lattice-") + label;
    runs.push_back(Area(at + "-free", Lat(l),
                        {.threshold = true, .target = true, .shape = true, .thresholdPop = 600, .targetPop = 1200,
                         .sa = true}));
    runs.push_back(Area(at + "-fixed-a", Lat(l),
                        {.threshold = true, .target = true, .thresholdPop = 600, .targetPop = 1200, .fixedA = true,
                         .sa = true}));
    runs.push_back(Area(at + "-fixed-both", Lat(l),
                        {.threshold = true, .target = true, .shape = true, .thresholdPop = 800, .targetPop = 1500,
                         .fixedA = true, .fixedB = true}));
    runs.push_back(Area(at + "-all-terms", Lat(l),
                        {.threshold = true, .target = true, .shape = true, .homog = true, .thresholdPop = 500,
                         .targetPop = 900, .groups = {2, 1, 1}, .sa = true}));
    runs.push_back(Area(at + "-matching-only", Lat(l), {.approx = true}));
  }
  // Moves of a cell without population leave the objective exactly as it was:
  // they are kept.
  runs.push_back(Area("lattice-rook-empty-cells", Lat({.cols = 14, .rows = 12, .emptyEvery = 4}),
                      {.threshold = true, .thresholdPop = 500, .iterations = 4}));
  // Cell (4, 1) moved into zone A of the first cells: one OK lets the cell
  // between join the tract and the run goes on with the check.
  runs.push_back(Area("lattice-matching-start-repaired", Moved({.cols = 9, .rows = 9, .king = true}, "\n15 2 ", "\n15 1 "),
                      {.threshold = true, .thresholdPop = 400, .approx = true, .iraApprox = true, .sa = true,
                       .iterations = 3}, {kIdOk}, 1));
  // The far corner in the zone of the first cell, beyond repair: the OK
  // repairs nothing, so the check gives up at once and the run ends after
  // one iteration without it.
  runs.push_back(Area("lattice-matching-start-cancelled", Moved({.cols = 9, .rows = 9, .homVars = 2}, "\n82 203 ", "\n82 1 "),
                      {.threshold = true, .thresholdPop = 500, .approx = true, .iraApprox = true, .sa = true,
                       .iterations = 4}, {kIdOk}));
  return runs;
}

}  // namespace

const std::vector<GoldenRun>& GoldenRuns() {
  static const std::vector<GoldenRun> runs = MakeRuns();
  return runs;
}

fs::path GoldenPath(const std::string& name) {
  return fs::path(QEL_SOURCE_DIR) / "tests" / "golden" / (name + ".trace");
}

std::string TraceRun(const GoldenRun& run, const fs::path& scratch, bool everyTrial, RunObserver* also,
                     std::string* again) {
  fs::remove_all(scratch);
  fs::create_directories(scratch);
  std::deque<int> answers;
  Tracer tracer(answers, run.lookUpTable, everyTrial, also);
  SetClock([] { return 1700000000.0; });
  FileAbortAll();
  ResetEngineState();
  StartMain();
  SetDefaultRunSettings();
  tracer.Line("run " + run.name);

  // From the preparation to the saved files.
  auto once = [&] {
    for (const char* file : {"QELlog.txt", "QELout.csv", "QELlut.csv"}) fs::remove(scratch / file);
    tracer.ClearProgressList();
    run.prepare(scratch, answers);
    tracer.Line(PreparationPrint());
    // The look-up table goes to the current folder.
    const fs::path cwd = fs::current_path();
    fs::current_path(scratch);
    datRunStart = TimeOfDay();
    RunIterations(intNIterations);
    fs::current_path(cwd);
    tracer.Line("ended iterations=" + std::to_string(intNIterations) + " best-iteration=" +
                std::to_string(intBestIteration) + " best-tracts=" + std::to_string(intNBestTracts) +
                " islands=" + std::to_string(intIslandsSkipped) + " seconds=" + std::to_string(intElapsedSecs));
    tracer.Line("best TP " + Bits(dblBestTP) + " P2A " + Bits(dblBestP2A) + " IAC " + Bits(dblBestIAC) + " Min " +
                Bits(dblBestMin) + " Apx " + Bits(dblBestApx));
    tracer.Line("restored " + TractsPrint());
    WriteProgramLog((scratch / "QELlog.txt").string());
    WriteTractComposition((scratch / "QELout.csv").string());
    std::string text = tracer.Take();
    text += LogBlock(scratch / "QELlog.txt");
    text += FileBlock("composition", scratch / "QELout.csv");
    text += FileBlock("look-up table", scratch / "QELlut.csv");
    return text;
  };
  const std::string text = tracer.Take() + once();
  if (again) *again = once();
  SetClock(nullptr);
  return text;
}

}  // namespace qeltest
