#include "test_support.h"

#include <fstream>
#include <random>
#include <sstream>

namespace qeltest {

ScriptedBoxes::ScriptedBoxes() {
  qel::SetMessageBoxHandler([this](const std::string& prompt, int style, const std::string& title) {
    shown_.push_back({prompt, style, title});
    if (answers_.empty()) {
      if (strict_) ADD_FAILURE() << "unexpected message box: " << prompt << " [" << title << "]";
      return static_cast<int>(qel::kIdOk);
    }
    int a = answers_.front();
    answers_.pop_front();
    return a;
  });
}

ScriptedBoxes::~ScriptedBoxes() { qel::SetMessageBoxHandler(nullptr); }

std::ostream& operator<<(std::ostream& os, const ShownBox& box) {
  return os << '"' << box.prompt << "\" style " << box.style << " title \"" << box.title << '"';
}

int ScriptedBoxes::CountStartingWith(const std::string& text) const {
  int n = 0;
  for (const auto& b : shown_)
    if (b.prompt.rfind(text, 0) == 0) ++n;
  return n;
}

RecordingWindows::RecordingWindows() { qel::SetWindowOps(this); }
RecordingWindows::~RecordingWindows() { qel::SetWindowOps(nullptr); }

void* RecordingWindows::CreateLoadShowMain() {
  calls.push_back("CreateLoadShowMain");
  return this;
}
void RecordingWindows::SetInputSummaryLabel(qel::SummaryLabel which, const std::string& text) {
  summary[static_cast<int>(which)] = text;
  calls.push_back("Summary " + std::to_string(static_cast<int>(which)) + " " + text);
}
void RecordingWindows::SetProgressCaption(const std::string& text, bool repaint) {
  progressCaptions.push_back(text);
  calls.push_back(std::string("ProgressCaption ") + (repaint ? "repaint " : "") + text);
}
void RecordingWindows::SetProgressValue(int value) {
  progressValues.push_back(value);
  calls.push_back("ProgressValue " + std::to_string(value));
}
void RecordingWindows::AddProgressLine(const std::string& line) {
  progressLines.push_back(line);
  calls.push_back("AddProgressLine " + line);
}
void RecordingWindows::SelectProgressLine(int index) {
  selected = index;
  calls.push_back("SelectProgressLine " + std::to_string(index));
}
void RecordingWindows::HideProgress() {
  ++progressHidden;
  calls.push_back("HideProgress");
}
void RecordingWindows::ShowOutput() {
  ++outputShown;
  calls.push_back("ShowOutput");
}
void RecordingWindows::SetMapShapeFillStyle(int shape, int style) {
  if (shape >= 0 && shape < 11) shapeFill[shape] = style;
  calls.push_back("MapFillStyle " + std::to_string(shape) + " " + std::to_string(style));
}
void RecordingWindows::SetMapShapeBorderStyle(int shape, int style) {
  if (shape >= 0 && shape < 11) shapeBorder[shape] = style;
  calls.push_back("MapBorderStyle " + std::to_string(shape) + " " + std::to_string(style));
}
void RecordingWindows::SetMapShapeFillColor(int shape, uint32_t color) {
  if (shape >= 0 && shape < 11) shapeColor[shape] = color;
  calls.push_back("MapFillColor " + std::to_string(shape) + " " + std::to_string(color));
}
void RecordingWindows::SetMapLineBorderStyle(int style) {
  lineBorder = style;
  calls.push_back("MapLineBorder " + std::to_string(style));
}
void RecordingWindows::RefreshMap() { calls.push_back("MapRefresh"); }
void RecordingWindows::ShowMap() {
  ++mapShown;
  calls.push_back("MapShow");
}
void RecordingWindows::FocusMapClose() { calls.push_back("MapFocusClose"); }

void EngineTest::SetUp() {
  qel::FileAbortAll();
  qel::ResetEngineState();
  qel::StartMain();
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
  qel::FileAbortAll();
  std::error_code ec;
  std::filesystem::remove_all(tempDir, ec);
}

std::string EngineTest::TempPath(const std::string& name) const { return (tempDir / name).string(); }

std::string EngineTest::WriteFile(const std::string& name, const std::string& content) const {
  std::string path = TempPath(name);
  std::ofstream out(path, std::ios::binary);
  out << content;
  return path;
}

void SetDefaultRunSettings() {
  using namespace qel;
  blnThresholdPop = blnTargetPop = blnShape = blnHomog = false;
  blnFixedA = blnFixedB = blnApprox = blnIRAApprox = blnSA = false;
  blnNoConstraints = blnFixedCount = blnMinOnly = false;
  dblThreshold = 0;
  dblTarget = 0;
  dblShapeWeight = 1;
  dblHomWeight = 1;
  intNHomGroups = 0;
  intGroupSize.Fill(0);
  intPopLayer = 1;
  intNIterations = 1;
  intRunHeader = 0;
  intRandomSeed = 99;
  dblOffsetPct = 10;
  dblSAStart = 20;
  dblPopWeight = 1;
  dblApxWeight = 1;
  blnContCheck = true;
  Randomize(intRandomSeed);
}

namespace {

struct Cell {
  int zoneA, zoneB;
  double popA, popB, area;
  std::vector<double> hom;
};

std::vector<Cell> MakeCells(const LatticeSpec& s) {
  std::mt19937 gen(s.seed);
  std::uniform_int_distribution<int> pop(static_cast<int>(s.minPop), static_cast<int>(s.maxPop));
  std::uniform_int_distribution<int> pct(0, 100);
  const int zaCols = (s.cols + s.zoneASize - 1) / s.zoneASize;
  const int zbCols = (s.cols + 1 + s.zoneBSize - 1) / s.zoneBSize + 1;
  std::vector<Cell> cells;
  for (int y = 0; y < s.rows; ++y) {
    for (int x = 0; x < s.cols; ++x) {
      Cell c;
      c.zoneA = (x / s.zoneASize) + (y / s.zoneASize) * zaCols + 1;
      c.zoneB = ((x + 1) / s.zoneBSize) + ((y + 1) / s.zoneBSize) * zbCols + 1;
      c.popA = pop(gen);
      c.popB = pop(gen);
      c.area = s.side * s.side;
      for (int v = 0; v < s.nHomVars; ++v) {
        if (v == 0) {
          c.hom.push_back(std::floor(c.popA * pct(gen) / 100.0));
        } else if (v == 1) {
          c.hom.push_back(c.popA - c.hom[0]);
        } else {
          c.hom.push_back(pct(gen));
        }
      }
      cells.push_back(c);
    }
  }
  return cells;
}

// Neighbours of cell (x, y) as (record, length); record 1 for the outside.
std::vector<std::pair<int, double>> CellNeighbours(const LatticeSpec& s, int x, int y) {
  std::vector<std::pair<int, double>> out;
  double outside = 0;
  const int dx[4] = {0, -1, 1, 0};
  const int dy[4] = {-1, 0, 0, 1};
  for (int d = 0; d < 4; ++d) {
    int nx = x + dx[d], ny = y + dy[d];
    if (nx < 0 || ny < 0 || nx >= s.cols || ny >= s.rows) {
      outside += s.side;
    } else {
      out.push_back({2 + ny * s.cols + nx, s.side});
    }
  }
  if (outside > 0) out.insert(out.begin(), {1, outside});
  return out;
}

}  // namespace

void BuildLattice(const LatticeSpec& s) {
  using namespace qel;
  auto cells = MakeCells(s);
  const int n = 1 + s.cols * s.rows;
  if (n > kTableSize) throw std::runtime_error("lattice too large");
  intNRecs = static_cast<int16_t>(n);
  auto& out = arrBB(1);
  out = udtBB{};
  out.intID = 1;
  dblTotPopA = dblTotPopB = 0;
  for (int y = 0; y < s.rows; ++y) {
    for (int x = 0; x < s.cols; ++x) {
      const int r = 2 + y * s.cols + x;
      const Cell& c = cells[static_cast<size_t>(y * s.cols + x)];
      udtBB& b = arrBB(r);
      b = udtBB{};
      b.intID = static_cast<int16_t>(r);
      b.intZoneA = static_cast<int16_t>(c.zoneA);
      b.intZoneB = static_cast<int16_t>(c.zoneB);
      b.dblPopA = c.popA;
      b.dblPopB = c.popB;
      b.dblArea = c.area;
      for (int v = 0; v < s.nHomVars; ++v) b.dblHom(v + 1) = c.hom[static_cast<size_t>(v)];
      auto nbrs = CellNeighbours(s, x, y);
      b.intNNbrs = static_cast<int16_t>(nbrs.size());
      for (size_t k = 0; k < nbrs.size(); ++k) {
        b.intNbr(static_cast<int>(k + 1)) = static_cast<int16_t>(nbrs[k].first);
        b.dblNbrLen(static_cast<int>(k + 1)) = nbrs[k].second;
      }
      dblTotPopA += c.popA;
      dblTotPopB += c.popB;
    }
  }
  intNHomVars = static_cast<int16_t>(s.nHomVars);
  blnDemoFile = false;
}

std::string LatticePatText(const LatticeSpec& s, bool crlf) {
  auto cells = MakeCells(s);
  const char* eol = crlf ? "\r\n" : "\n";
  std::ostringstream os;
  os << "1 0 0 0 0 0";
  for (int v = 0; v < s.nHomVars; ++v) os << " 0";
  os << eol;
  for (int y = 0; y < s.rows; ++y) {
    for (int x = 0; x < s.cols; ++x) {
      const Cell& c = cells[static_cast<size_t>(y * s.cols + x)];
      os << (2 + y * s.cols + x) << ' ' << c.zoneA << ' ' << c.zoneB << ' ' << qel::Str(c.popA) << ' '
         << qel::Str(c.popB) << ' ' << qel::Str(c.area);
      for (double h : c.hom) os << ' ' << qel::Str(h);
      os << eol;
    }
  }
  return os.str();
}

std::string LatticeCtgText(const LatticeSpec& s, bool crlf) {
  const char* eol = crlf ? "\r\n" : "\n";
  std::ostringstream os;
  for (int y = 0; y < s.rows; ++y) {
    for (int x = 0; x < s.cols; ++x) {
      const int r = 2 + y * s.cols + x;
      for (auto [nb, len] : CellNeighbours(s, x, y)) {
        // Each arc once: towards higher records and towards the outside.
        if (nb == 1 || nb > r) os << r << ' ' << nb << ' ' << qel::Str(len) << eol;
      }
    }
  }
  return os.str();
}

LatticeFiles WriteLatticeFiles(const LatticeSpec& spec, const std::filesystem::path& dir, bool crlf) {
  LatticeFiles f;
  f.patPath = (dir / "lattice.pat").string();
  f.ctgPath = (dir / "lattice.ctg").string();
  std::ofstream(f.patPath, std::ios::binary) << LatticePatText(spec, crlf);
  std::ofstream(f.ctgPath, std::ios::binary) << LatticeCtgText(spec, crlf);
  return f;
}

std::string RepoPath(const std::string& relative) { return std::string(QEL_SOURCE_DIR) + "/" + relative; }

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream os;
  os << in.rdbuf();
  return os.str();
}

}  // namespace qeltest
