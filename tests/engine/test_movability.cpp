// The movability test of the run loop: which IBBs may leave their tract.
// (That a kept move never splits a tract, over many whole runs: test_end_to_end.)
#include <utility>
#include <vector>

#include "movability.h"
#include "test_support.h"

using namespace qel;

namespace {

class MovabilityTest : public qeltest::EngineTest {
 protected:
  // Records 2..n, each its own IBB, in tract 2; arcs as pairs of records
  // (record 1, the outside, gets no list of its own).
  static void Area(int nRecs, const std::vector<std::pair<int, int>>& arcs) {
    qeltest::OneIBBPerRecord(nRecs);
    auto add = [](int a, int b) {
      udtBB& bb = arrBB(a);
      bb.intNbr(++bb.intNNbrs) = static_cast<int16_t>(b);
      udtIBB& g = arrIBB(a - 1);
      g.intNbr(++g.intNNbrs) = static_cast<int16_t>(b);
    };
    for (auto [a, b] : arcs) {
      if (a != 1) add(a, b);
      if (b != 1) add(b, a);
    }
    for (int r = 2; r <= nRecs; ++r) arrIBB(r - 1).intTract = 2;
  }
  static void InTract1(const std::vector<int>& records) {
    for (int r : records) arrIBB(r - 1).intTract = 1;
  }
  static bool Movable(int r) { return IsMovable(static_cast<int16_t>(r - 1), arrIBB(r - 1).intTract); }
};

TEST_F(MovabilityTest, TheContactsOfTheCandidateMustFormOneChain) {
  // Block 2 (the candidate, tract 1) touches blocks 3..7 and block 8 of tract
  // 2; the contacts are the blocks named of tract 1, joined as the pairs say.
  struct Case {
    const char* name;
    std::vector<int> contacts;
    std::vector<std::pair<int, int>> pairs;
    bool movable;
  };
  const Case cases[] = {
      {"no contact", {}, {}, false},
      {"one contact", {3}, {}, true},
      {"two apart", {3, 4}, {}, false},
      {"chain", {3, 4, 5}, {{3, 4}, {4, 5}}, true},
      {"two arcs", {3, 4, 5, 6}, {{3, 4}, {5, 6}}, false},
      {"fork", {3, 4, 5, 6}, {{3, 4}, {3, 5}, {3, 6}}, false},
      {"ring", {3, 4, 5}, {{3, 4}, {4, 5}, {5, 3}}, false},
      {"arc and a loose contact", {3, 4, 5}, {{3, 4}}, false},
      {"arc and a ring", {3, 4, 5, 6, 7}, {{3, 4}, {5, 6}, {6, 7}, {7, 5}}, false},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<int, int>> arcs{{2, 1}, {2, 3}, {2, 4}, {2, 5}, {2, 6}, {2, 7}, {2, 8}};
    arcs.insert(arcs.end(), c.pairs.begin(), c.pairs.end());
    Area(8, arcs);
    InTract1({2});
    InTract1(c.contacts);
    EXPECT_EQ(Movable(2), c.movable) << c.name;
  }
  // A chain listed from one end only; a block of no IBB and a neighbour
  // number that names no record are no contacts.
  Area(8, {{2, 3}, {2, 4}, {2, 5}});
  arrBB(3).intNbr(++arrBB(3).intNNbrs) = 4;
  arrIBB(1).intNbr(++arrIBB(1).intNNbrs) = 2500;
  InTract1({2, 3, 4, 5});
  arrBB(5).intIBB = 0;
  EXPECT_TRUE(Movable(2));
  // A block whose own number is 1 is still a contact: only record 1 is the outside.
  arrBB(5).intIBB = 4;
  arrBB(5).intID = 1;
  EXPECT_FALSE(Movable(2));
}

}  // namespace
