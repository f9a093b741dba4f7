#include "test_support.h"

#include <unistd.h>

#include <fstream>
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

std::ostream& operator<<(std::ostream& os, const ShownBox& box) {
  return os << '"' << box.prompt << "\" style " << box.style << " title \"" << box.title << '"';
}

int ScriptedBoxes::CountStartingWith(const std::string& text) const {
  int n = 0;
  for (const auto& b : shown_) n += b.prompt.rfind(text, 0) == 0;
  return n;
}

void EngineTest::SetUp() {
  FileAbortAll();
  ResetEngineState();
  StartMain();
  SetDefaultRunSettings();
  windows.calls.clear();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  tempDir = std::filesystem::temp_directory_path() / ("qeltest_" + std::to_string(::getpid()) + "_" + name);
  std::filesystem::remove_all(tempDir);
  std::filesystem::create_directories(tempDir);
}

void EngineTest::TearDown() {
  FileAbortAll();
  SetClock(nullptr);
  SetKeptMoveObserver(nullptr);
  std::error_code ec;
  std::filesystem::remove_all(tempDir, ec);
}

std::string EngineTest::WriteFile(const std::string& name, const std::string& content) const {
  const std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::string RepoPath(const std::string& relative) { return std::string(QEL_SOURCE_DIR) + "/" + relative; }

std::string ReadWholeFile(const std::string& path) {
  std::ostringstream os;
  os << std::ifstream(path, std::ios::binary).rdbuf();
  return os.str();
}

void SetDefaultRunSettings() {
  blnThresholdPop = blnTargetPop = blnShape = blnHomog = false;
  blnFixedA = blnFixedB = blnApprox = blnIRAApprox = blnSA = false;
  blnNoConstraints = blnFixedCount = blnMinOnly = false;
  dblThreshold = dblTarget = 0;
  dblShapeWeight = dblHomWeight = dblPopWeight = dblApxWeight = 1;
  intNHomGroups = 0;
  intGroupSize.Fill(0);
  intPopLayer = intNIterations = 1;
  intRunHeader = 0;
  intRandomSeed = 99;
  dblOffsetPct = 10;
  dblSAStart = 20;
  blnContCheck = true;
  Randomize(intRandomSeed);
}

void LoadStudyArea(const std::string& patPath, const std::string& ctgPath) {
  std::string nameA, nameB;
  strInputFile = strRunFile = patPath;
  intRunHeader = 0;
  ReadIntersectionFile(0, patPath, nameA, nameB);
  int16_t arcs = 0;
  ReadContiguityFile(ctgPath, arcs);
}

void LoadRepoArea(const std::string& name) { LoadStudyArea(RepoPath(name + ".pat"), RepoPath(name + ".ctg")); }

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

void OneIBBPerRecord(int nRecs) {
  intNRecs = static_cast<int16_t>(nRecs);
  intNIBB = static_cast<int16_t>(nRecs - 1);
  arrBB(1).intID = 1;
  for (int r = 2; r <= nRecs; ++r) {
    arrBB(r) = udtBB{};
    arrBB(r).intID = static_cast<int16_t>(r);
    arrBB(r).intIBB = static_cast<int16_t>(r - 1);
    udtIBB& ibb = arrIBB(r - 1);
    ibb = udtIBB{};
    ibb.intID = static_cast<int16_t>(r - 1);
    ibb.intNMembers = 1;
    ibb.intMember(1) = static_cast<int16_t>(r);
  }
}

void StartRun(const RunSettings& s) {
  blnThresholdPop = s.threshold;
  blnTargetPop = s.target;
  blnShape = s.shape;
  blnHomog = s.homog;
  blnFixedA = s.fixedA;
  blnFixedB = s.fixedB;
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
  BuildIntermediateBBs();
  RunIterations(intNIterations);
}

}  // namespace qeltest
