#include "ibb_fixtures.h"

#include <map>
#include <stdexcept>

#include "engine.h"

namespace qeltest {

using namespace qel;

namespace {

int Find(const List16& list, int n, int v) {
  for (int k = 1; k <= n; ++k)
    if (list(k) == v) return k;
  return 0;
}

void AddNeighbour(int a, int b, double length) {
  udtBB& bb = arrBB(a);
  int k = Find(bb.intNbr, bb.intNNbrs, b);
  if (k == 0) {
    k = ++bb.intNNbrs;
    bb.intNbr(k) = static_cast<int16_t>(b);
    bb.dblNbrLen(k) = 0;
  }
  bb.dblNbrLen(k) += length;
}

}  // namespace

void MakeBlocks(const std::vector<BlockSpec>& blocks) {
  const int n = static_cast<int>(blocks.size()) + 1;
  if (n > kTableSize) throw std::runtime_error("too many blocks");
  intNRecs = static_cast<int16_t>(n);
  arrBB(1) = udtBB{};
  arrBB(1).intID = 1;
  dblTotPopA = dblTotPopB = 0;
  intNHomVars = 0;
  for (int r = 2; r <= n; ++r) {
    const BlockSpec& s = blocks[static_cast<size_t>(r - 2)];
    udtBB& b = arrBB(r);
    b = udtBB{};
    b.intID = static_cast<int16_t>(r);
    b.intZoneA = static_cast<int16_t>(s.zoneA);
    b.intZoneB = static_cast<int16_t>(s.zoneB);
    b.dblPopA = s.popA;
    b.dblPopB = s.popB;
    b.dblArea = s.area;
    for (size_t v = 0; v < s.hom.size(); ++v) b.dblHom(static_cast<int>(v + 1)) = s.hom[v];
    if (static_cast<int>(s.hom.size()) > intNHomVars) intNHomVars = static_cast<int16_t>(s.hom.size());
    dblTotPopA += s.popA;
    dblTotPopB += s.popB;
  }
}

void Touch(int a, int b, double length) {
  if (a != 1) AddNeighbour(a, b, length);
  if (b != 1) AddNeighbour(b, a, length);
}

void MakeIBBs(const std::vector<std::vector<int>>& groups) {
  intNIBB = static_cast<int16_t>(groups.size());
  for (int g = 1; g <= intNIBB; ++g) {
    const auto& members = groups[static_cast<size_t>(g - 1)];
    udtIBB& ibb = arrIBB(g);
    ibb = udtIBB{};
    ibb.intID = static_cast<int16_t>(g);
    for (int r : members) {
      const udtBB& b = arrBB(r);
      ibb.intMember(++ibb.intNMembers) = static_cast<int16_t>(r);
      ibb.dblPop += intPopLayer == 2 ? b.dblPopB : b.dblPopA;
      ibb.dblArea += b.dblArea;
      for (int v = 1; v <= intNHomVars; ++v) ibb.dblHom(v) += b.dblHom(v);
      arrBB(r).intIBB = static_cast<int16_t>(g);
    }
    for (int r : members) {
      const udtBB& b = arrBB(r);
      for (int q = 1; q <= b.intNNbrs; ++q) {
        const int x = b.intNbr(q);
        if (Find(ibb.intMember, ibb.intNMembers, x) != 0) continue;
        int k = Find(ibb.intNbr, ibb.intNNbrs, x);
        if (k == 0) {
          k = ++ibb.intNNbrs;
          ibb.intNbr(k) = static_cast<int16_t>(x);
          ibb.dblNbrLen(k) = 0;
        }
        ibb.dblNbrLen(k) += b.dblNbrLen(q);
      }
    }
  }
  arrBB(1).intIBB = 0;
}

void MakeSingleBlockIBBs() {
  std::vector<std::vector<int>> groups;
  for (int r = 2; r <= intNRecs; ++r) groups.push_back({r});
  MakeIBBs(groups);
}

void MakeZoneAIBBs() {
  std::vector<std::vector<int>> groups;
  std::map<int, size_t> byZone;
  for (int r = 2; r <= intNRecs; ++r) {
    auto it = byZone.find(arrBB(r).intZoneA);
    if (it == byZone.end()) {
      byZone[arrBB(r).intZoneA] = groups.size();
      groups.push_back({r});
    } else {
      groups[it->second].push_back(r);
    }
  }
  MakeIBBs(groups);
}

void SetHomogeneity(const std::vector<int>& groupSizes) {
  blnHomog = true;
  intNHomGroups = static_cast<int16_t>(groupSizes.size());
  intGroupSize.Fill(0);
  for (size_t g = 0; g < groupSizes.size(); ++g) intGroupSize(static_cast<int>(g + 1)) = static_cast<int16_t>(groupSizes[g]);
  dblHomPopTot = 0;
  for (int v = 1; v <= kHomSize; ++v) dblHomVarTotal(v) = dblHomMean(v) = 0;
  for (int g = 1; g <= intNIBB; ++g) {
    udtIBB& ibb = arrIBB(g);
    ibb.dblHomTotal = 0;
    for (int v = 1; v <= intGroupSize(1); ++v) ibb.dblHomTotal += ibb.dblHom(v);
    for (int v = 1; v <= intNHomVars; ++v) dblHomVarTotal(v) += ibb.dblHom(v);
    dblHomPopTot += ibb.dblHomTotal;
  }
  for (int v = 1; v <= intNHomVars; ++v) dblHomMean(v) = dblHomPopTot != 0 ? dblHomVarTotal(v) / dblHomPopTot : 0;
}

}  // namespace qeltest
