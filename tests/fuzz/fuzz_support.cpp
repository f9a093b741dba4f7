#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>

#include "engine.h"

namespace qelfuzz {

using namespace qel;

namespace {
std::deque<int>& Answers() {
  static std::deque<int> answers;
  return answers;
}

std::filesystem::path ScratchDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("qel_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}
}  // namespace

void StartEngine() {
  ResetEngineState();
  StartMain();
  SetMessageBoxHandler([](const std::string&, int, const std::string&) {
    if (Answers().empty()) return static_cast<int>(kIdOk);
    const int a = Answers().front();
    Answers().pop_front();
    return a;
  });
}

void ScriptAnswers(unsigned bits) {
  Answers().clear();
  for (int k = 0; k < 8; ++k) Answers().push_back((bits >> k) & 1 ? kIdCancel : kIdOk);
}

std::string WriteScratch(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = (ScratchDir() / name).string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

std::string WriteScratch(const std::string& name, const std::string& text) {
  return WriteScratch(name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string RepoPath(const std::string& relative) { return std::string(QEL_SOURCE_DIR) + "/" + relative; }

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}

std::string NeighbourLists() {
  std::string s;
  for (int r = 1; r <= kTableSize; ++r) {
    const udtBB& b = arrBB(r);
    s.append(reinterpret_cast<const char*>(&b.intNNbrs), sizeof b.intNNbrs);
    for (int k = 1; k <= b.intNNbrs && k <= kListSize; ++k) {
      s.append(reinterpret_cast<const char*>(&b.intNbr(k)), sizeof(int16_t));
      s.append(reinterpret_cast<const char*>(&b.dblNbrLen(k)), sizeof(double));
    }
  }
  return s;
}

void RequireSoundNeighbourLists() {
  for (int r = 1; r <= kTableSize; ++r) {
    const udtBB& b = arrBB(r);
    Require(b.intNNbrs >= 0 && b.intNNbrs <= intMaxNbrs, "a neighbour count within the list");
    for (int k = 1; k <= b.intNNbrs; ++k) {
      const int x = b.intNbr(k);
      Require(x != r, "no block its own neighbour");
      Require(x >= 1 && x <= intNRecs, "every neighbour a record");
      if (x <= 1) continue;
      bool back = false;
      for (int j = 1; j <= arrBB(x).intNNbrs && !back; ++j) back = arrBB(x).intNbr(j) == r;
      Require(back, "both sides of an arc listed");
    }
  }
}

}  // namespace qelfuzz
