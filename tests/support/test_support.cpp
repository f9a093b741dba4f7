#include "test_support.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include "run_loop.h"

namespace qeltest {
using namespace qel;

ScriptedBoxes::ScriptedBoxes() {
  SetMessageBoxHandler([this](const std::string& prompt, int style, const std::string& title) {
    shown_.push_back({prompt, style, title});
    if (answers_.empty()) return static_cast<int>(kIdOk);
    const int a = answers_.front();
    answers_.pop_front();
    return a;
  });
}
ScriptedBoxes::~ScriptedBoxes() { SetMessageBoxHandler(nullptr); }

int ScriptedBoxes::CountStartingWith(const std::string& text) const {
  return static_cast<int>(std::count_if(shown_.begin(), shown_.end(), [&](auto& b) { return b.prompt.rfind(text, 0) == 0; }));
}

void EngineTest::SetUp() {
  FileAbortAll();
  ResetEngineState();
  StartMain();
  SetDefaultRunSettings();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  tempDir = std::filesystem::temp_directory_path() / ("qeltest_" + std::to_string(::getpid()) + "_" + name);
  std::filesystem::remove_all(tempDir);
  std::filesystem::create_directories(tempDir);
}

void EngineTest::TearDown() {
  FileAbortAll();
  SetClock(nullptr);
  SetRunObserver(nullptr);
  std::error_code ec;
  std::filesystem::remove_all(tempDir, ec);
}

std::string EngineTest::WriteFile(const std::string& name, const std::string& content) const {
  std::ofstream(TempPath(name), std::ios::binary) << content;
  return TempPath(name);
}

std::string ReadWholeFile(const std::string& path) {
  std::ostringstream os;
  os << std::ifstream(path, std::ios::binary).rdbuf();
  return os.str();
}

void SetDefaultRunSettings() {
  // What the main window's load sets beyond the engine's start-up state.
  dblShapeWeight = dblHomWeight = dblPopWeight = dblApxWeight = 1;
  intPopLayer = intNIterations = 1;
  intRandomSeed = 99;
  dblOffsetPct = 10;
  dblSAStart = 20;
  Randomize(intRandomSeed);
}

void LoadStudyArea(const std::string& patPath, const std::string& ctgPath) {
  std::string nameA, nameB;
  strInputFile = strRunFile = patPath;
  ReadIntersectionFile(0, patPath, nameA, nameB);
  int16_t arcs = 0;
  ReadContiguityFile(ctgPath, arcs);
}

void LoadArea(const std::filesystem::path& dir, const std::vector<std::string>& blocks, const std::string& arcs) {
  std::ofstream p(dir / "area.pat"), c(dir / "area.ctg");
  p << "1 0 0 0 0 0\n";
  for (size_t k = 0; k < blocks.size(); ++k) p << k + 2 << ' ' << blocks[k] << '\n';
  std::istringstream in(arcs);
  for (std::string arc; std::getline(in, arc, ',');) c << arc << '\n';
  p.close(), c.close();
  LoadStudyArea((dir / "area.pat").string(), (dir / "area.ctg").string());
  BuildIntermediateBBs();
}

void LoadLattice(const std::filesystem::path& dir, const Lattice& l) {
  std::ofstream p(dir / "lattice.pat"), c(dir / "lattice.ctg");
  unsigned state = l.seed;
  auto draw = [&state](int lo, int hi) { return lo + static_cast<int>((state = state * 1103515245u + 12345u) >> 16) % (hi - lo + 1); };
  auto rec = [&l](int x, int y) { return 2 + y * l.cols + x; };
  p << "1 0 0 0 0 0\n";
  for (int y = 0; y < l.rows; ++y)
    for (int x = 0; x < l.cols; ++x) {
      int popA = draw(50, 150);
      if (l.emptyEvery && rec(x, y) % l.emptyEvery == 0) popA = 0;
      const int share = draw(0, popA);
      p << rec(x, y) << ' ' << 1 + x / l.zoneA + y / l.zoneA * 100 << ' ' << 1 + (x + 1) / l.zoneB + (y + 1) / l.zoneB * 100
        << ' ' << popA << ' ' << draw(50, 150) << " 1";
      for (int v = 1; v <= l.homVars; ++v) p << ' ' << (v == 1 ? share : v == 2 ? popA - share : draw(0, 40));
      p << '\n';
      const int edges = (x == 0) + (y == 0) + (x == l.cols - 1) + (y == l.rows - 1);
      if (edges) c << rec(x, y) << " 1 " << edges << '\n';
      if (x + 1 < l.cols) c << rec(x, y) << ' ' << rec(x + 1, y) << " 1\n";
      if (y + 1 < l.rows) c << rec(x, y) << ' ' << rec(x, y + 1) << " 1\n";
      if (l.king && y + 1 < l.rows && x + 1 < l.cols) c << rec(x, y) << ' ' << rec(x + 1, y + 1) << " 0.25\n";
      if (l.king && y + 1 < l.rows && x > 0) c << rec(x, y) << ' ' << rec(x - 1, y + 1) << " 0.25\n";
    }
  p.close(), c.close();
  LoadStudyArea((dir / "lattice.pat").string(), (dir / "lattice.ctg").string());
}

bool PrepareRun(const RunSettings& s) {
  blnThresholdPop = s.threshold, blnTargetPop = s.target, blnShape = s.shape, blnHomog = s.homog;
  blnFixedA = s.fixedA, blnFixedB = s.fixedB;
  if (s.threshold) dblThreshold = s.thresholdPop;
  if (s.target) dblTarget = s.targetPop;
  intPopLayer = static_cast<int16_t>(s.popLayer);
  blnApprox = s.approx;
  blnIRAApprox = s.approx && s.iraApprox;
  intNHomGroups = static_cast<int16_t>(s.groups.size());
  for (size_t g = 0; g < s.groups.size(); ++g) intGroupSize(static_cast<int>(g + 1)) = static_cast<int16_t>(s.groups[g]);
  blnSA = s.sa;
  Randomize(static_cast<int16_t>(s.seed));
  const bool any = s.homog || s.shape || s.target || s.threshold;
  blnNoConstraints = !any && !s.approx;
  blnFixedCount = s.approx && !any;
  blnMinOnly = s.threshold && !s.approx && !s.homog && !s.shape && !s.target;
  intNIterations = static_cast<int16_t>(s.iterations);
  datRunStart = TimeOfDay();
  return BuildIntermediateBBs();
}

void StartRun(const RunSettings& s) {
  if (PrepareRun(s)) RunIterations(intNIterations);
}

// ---- Tract checks ---------------------------------------------------------------

namespace {
int HomVars() { return std::clamp<int>(intNHomVars, 0, kHomSize); }

// Length that the members of tract t share with IBB x (0: the outside).
double SharedLength(int t, int x) {
  double len = 0;
  for (int m : Members(t))
    for (int q = 1; q <= arrIBB(m).intNNbrs; ++q)
      if (arrBB(arrIBB(m).intNbr(q)).intIBB == x) len += arrIBB(m).dblNbrLen(q);
  return len;
}

std::set<int> ExpectedNeighbours(int t) {
  const auto v = Members(t);
  const std::set<int> members(v.begin(), v.end());
  std::set<int> s;
  for (int m : members)
    for (int q = 1; q <= arrIBB(m).intNNbrs; ++q)
      if (const int x = arrBB(arrIBB(m).intNbr(q)).intIBB; !members.contains(x)) s.insert(x);
  return s;
}
}  // namespace

std::vector<int> Members(int t) {
  std::vector<int> v;
  for (int k = 1; k <= arrTract(t).intNMembers; ++k) v.push_back(arrTract(t).intMember(k));
  return v;
}

std::string TractDiffers(int t) {
  auto near = [](double a, double e) { return std::abs(a - e) <= 1e-6 * std::max(1.0, std::abs(e)); };
  const udtTract& tr = arrTract(t);
  const std::string at = "tract " + std::to_string(t) + ": ";
  double pop = 0, area = 0, homTotal = 0, homSum[kHomSize + 1] = {};
  for (int m : Members(t)) {
    if (m < 1 || m > intNIBB || arrIBB(m).intTract != t) return at + "member " + std::to_string(m);
    pop += arrIBB(m).dblPop, area += arrIBB(m).dblArea, homTotal += arrIBB(m).dblHomTotal;
    for (int v = 1; v <= HomVars(); ++v) homSum[v] += arrIBB(m).dblHom(v);
  }
  if (tr.intID != t || !near(tr.dblPop, pop) || !near(tr.dblArea, area)) return at + "id, population or area";
  std::set<int> listed;
  for (int k = 1; k <= tr.intNNbrs; ++k) listed.insert(tr.intNbr(k));
  if (static_cast<int>(listed.size()) != tr.intNNbrs || listed != ExpectedNeighbours(t)) return at + "neighbours";
  // Lengths kept move by move must equal, bit for bit, the sums over the
  // members in order.
  double perimeter = 0;
  for (int k = 1; k <= tr.intNNbrs; ++k) {
    const double len = SharedLength(t, tr.intNbr(k));
    if (tr.dblNbrLen(k) != len) return at + "length with " + std::to_string(tr.intNbr(k));
    perimeter += len;
  }
  if (tr.dblP2 != std::pow(perimeter, 2)) return at + "dblP2";
  if (!blnHomog) return "";
  if (!near(tr.dblHomTotal, homTotal)) return at + "dblHomTotal";
  for (int v = 1; v <= HomVars(); ++v)
    if (!near(tr.dblHomSum(v), homSum[v]) || !std::isfinite(tr.dblHomProp(v)) ||
        (homTotal > 1e-6 && !near(tr.dblHomProp(v), homSum[v] / homTotal)))
      return at + "homogeneity variable " + std::to_string(v);
  return "";
}

std::string TractsDiffer() {
  std::vector<int> seen(static_cast<size_t>(intNIBB) + 1, 0);
  for (int t = 1; t <= intNTracts; ++t) {
    if (std::string d = TractDiffers(t); !d.empty()) return d;
    for (int m : Members(t)) ++seen[static_cast<size_t>(m)];
  }
  for (int g = 1; g <= intNIBB; ++g)
    if (seen[static_cast<size_t>(g)] != 1)
      return "IBB " + std::to_string(g) + " in " + std::to_string(seen[static_cast<size_t>(g)]) + " tracts";
  return "";
}

bool IsTractConnected(int t) {
  const auto v = Members(t);
  const std::set<int> members(v.begin(), v.end());
  if (members.empty()) return false;
  std::set<int> reached{v[0]};
  for (std::vector<int> queue{v[0]}; !queue.empty();) {
    const udtIBB& g = arrIBB(queue.back());
    queue.pop_back();
    for (int q = 1; q <= g.intNNbrs; ++q)
      if (const int x = arrBB(g.intNbr(q)).intIBB; members.contains(x) && reached.insert(x).second) queue.push_back(x);
  }
  return reached.size() == members.size();
}

std::string TermsRecomputedDiffer() {
  std::vector<double> mismatch;
  for (int z = 1; z <= intNZones; ++z) mismatch.push_back(arrZone(z).dblMismatch);
  std::string differ;
  auto again = [&differ](bool on, void (*calc)(), const double& term, const char* name) {
    const double kept = term;
    if (!on) return;
    calc();
    if (std::bit_cast<uint64_t>(term) != std::bit_cast<uint64_t>(kept)) differ += std::string(" ") + name;
  };
  again(blnTargetPop, CalcTargetDeviation, dblCurTP, "TP");
  again(blnShape, CalcShape, dblCurP2A, "P2A");
  again(blnHomog, CalcHomogeneity, dblCurIAC, "IAC");
  again(blnMinOnly, CalcThresholdDeviation, dblCurMin, "Min");
  again(blnApprox, CalcApproxMatch, dblCurApx, "Apx");
  for (int z = 1; z <= intNZones; ++z)
    if (std::bit_cast<uint64_t>(arrZone(z).dblMismatch) != std::bit_cast<uint64_t>(mismatch[static_cast<size_t>(z - 1)]))
      differ += " mismatch of zone " + std::to_string(z);
  return differ.empty() ? "" : "terms differ from a fresh computation:" + differ;
}

bool AsUnprivileged(const std::function<bool()>& check) {
  if (::geteuid() != 0) return check();
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    // "nobody": no rights beyond those every user has.
    const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
    ::_exit(dropped && check() ? 0 : 1);
  }
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace qeltest
