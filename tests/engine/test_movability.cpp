#include <random>
#include <set>
#include <utility>
#include <vector>

#include "movability.h"
#include "run_helpers.h"
#include "test_support.h"

using namespace qel;

namespace {

// A hand-made study area: record 1 is the outside, every other record is an
// IBB of its own (IBB g holds record g + 1) unless grouped by Group().
class MovabilityTest : public qeltest::EngineTest {
 protected:
  static void Blocks(int nRecs) { qeltest::OneIBBPerRecord(nRecs); }
  static void Append(List16& list, int16_t& n, int v) {
    for (int k = 1; k <= n; ++k)
      if (list(k) == v) return;
    list(++n) = static_cast<int16_t>(v);
  }
  // Blocks a and b touch; with oneWay only a lists b.
  static void Touch(int a, int b, bool oneWay = false) {
    if (a != 1) Append(arrBB(a).intNbr, arrBB(a).intNNbrs, b);
    if (b != 1 && !oneWay) Append(arrBB(b).intNbr, arrBB(b).intNNbrs, a);
  }
  // Copies the block neighbour lists into the one-block IBBs.
  static void Finish() {
    for (int g = 1; g <= intNIBB; ++g) {
      udtIBB& ibb = arrIBB(g);
      ibb.intNNbrs = 0;
      for (int k = 1; k <= ibb.intNMembers; ++k) {
        const udtBB& b = arrBB(ibb.intMember(k));
        for (int q = 1; q <= b.intNNbrs; ++q) {
          bool member = false;
          for (int j = 1; j <= ibb.intNMembers; ++j) member |= ibb.intMember(j) == b.intNbr(q);
          if (!member) Append(ibb.intNbr, ibb.intNNbrs, b.intNbr(q));
        }
      }
    }
  }
  static void Tract(int r, int t) { arrIBB(arrBB(r).intIBB).intTract = static_cast<int16_t>(t); }
  static bool Movable(int r) {
    const int16_t g = arrBB(r).intIBB;
    return IsMovable(g, arrIBB(g).intTract);
  }
};

// Block 2 is the candidate m, in tract 1 with the blocks named; the rest of
// the records are in tract 2.
TEST_F(MovabilityTest, NoContactIsNotMovableAndOneContactIs) {
  Blocks(5);
  Touch(2, 3);
  Touch(2, 4);
  Touch(2, 1);
  Finish();
  for (int r = 2; r <= 5; ++r) Tract(r, 2);
  Tract(2, 1);
  EXPECT_FALSE(Movable(2));  // no neighbour in its own tract
  Tract(3, 1);
  EXPECT_TRUE(Movable(2));   // one contact
  Tract(4, 1);
  EXPECT_FALSE(Movable(2));  // two contacts that do not touch: m joins them
}

TEST_F(MovabilityTest, ContactsInOneChainAreMovable) {
  // m = 2 touches 3, 4, 5 of its tract; 3-4 and 4-5 touch: one arc.
  Blocks(7);
  for (int r : {3, 4, 5, 6}) Touch(2, r);
  Touch(3, 4);
  Touch(4, 5);
  Touch(5, 7);
  Finish();
  for (int r = 2; r <= 7; ++r) Tract(r, 1);
  Tract(6, 2);
  EXPECT_TRUE(Movable(2));
  // The same chain when the contiguity data lists each pair from one end only.
  Blocks(7);
  for (int r : {3, 4, 5, 6}) Touch(2, r);
  Touch(4, 3, true);
  Touch(4, 5, true);
  Finish();
  for (int r = 2; r <= 7; ++r) Tract(r, 1);
  Tract(6, 2);
  EXPECT_TRUE(Movable(2));
}

TEST_F(MovabilityTest, RingsForksAndSeparateArcsAreNotMovable) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> pairs;  // among contacts 3..7
    std::vector<int> contacts;
  };
  const Case cases[] = {
      {"two arcs", {{3, 4}, {5, 6}}, {3, 4, 5, 6}},
      {"fork", {{3, 4}, {3, 5}, {3, 6}}, {3, 4, 5, 6}},
      {"ring", {{3, 4}, {4, 5}, {5, 3}}, {3, 4, 5}},
      {"arc and a loose contact", {{3, 4}}, {3, 4, 5}},
      {"arc and a separate ring", {{3, 4}, {5, 6}, {6, 7}, {7, 5}}, {3, 4, 5, 6, 7}},
  };
  for (const Case& c : cases) {
    Blocks(8);
    for (int r : c.contacts) Touch(2, r);
    Touch(2, 8);
    for (auto [a, b] : c.pairs) Touch(a, b);
    Finish();
    for (int r = 2; r <= 8; ++r) Tract(r, 2);
    Tract(2, 1);
    for (int r : c.contacts) Tract(r, 1);
    EXPECT_FALSE(Movable(2)) << c.name;
  }
}

TEST_F(MovabilityTest, TheOutsideOtherTractsAndUngroupedBlocksAreNoContacts) {
  Blocks(6);
  Touch(2, 1);
  Touch(2, 3);
  Touch(2, 4);
  Touch(2, 5);
  Touch(2, 6);
  Finish();
  // Neighbour numbers that name no record at all.
  arrIBB(1).intNbr(++arrIBB(1).intNNbrs) = 0;
  arrIBB(1).intNbr(++arrIBB(1).intNNbrs) = -4;
  arrIBB(1).intNbr(++arrIBB(1).intNNbrs) = 2500;
  for (int r = 2; r <= 6; ++r) Tract(r, 1);
  Tract(4, 2);
  arrBB(5).intIBB = 0;  // belongs to no IBB
  arrBB(6).intID = 1;   // carries the outside's number
  EXPECT_TRUE(Movable(2));  // only block 3 counts
}

TEST_F(MovabilityTest, ContactBlocksOfOneMultiBlockIBBThatTouchFormAChain) {
  // Blocks 3 and 4 form one IBB of the donor; both touch m = 2 and each other.
  Blocks(5);
  Touch(2, 3);
  Touch(2, 4);
  Touch(3, 4);
  Touch(2, 5);
  arrBB(4).intIBB = 2;
  arrIBB(2).intNMembers = 2;
  arrIBB(2).intMember(2) = 4;
  arrIBB(3).intNMembers = 0;
  Finish();
  Tract(2, 1);
  Tract(3, 1);
  Tract(5, 2);
  EXPECT_TRUE(Movable(2));
}

// Property: on king-move lattices (where the blocks around a cell touch in
// a ring, as polygons do) with random connected tracts, every IBB the test
// calls movable leaves its donor connected, and the test does say yes to
// IBBs of several contacts.
TEST_F(MovabilityTest, AMovableIBBNeverSplitsItsDonor) {
  const int W = 7, H = 6, n = W * H;
  auto rec = [&](int x, int y) { return 2 + y * W + x; };
  std::mt19937 gen(7);
  int multiContactYes = 0;
  for (int trial = 0; trial < 300; ++trial) {
    Blocks(n + 1);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            if (dx == 0 && dy == 0) continue;
            int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= W || ny >= H) Touch(rec(x, y), 1);
            else if (rec(nx, ny) > rec(x, y)) Touch(rec(x, y), rec(nx, ny));
          }
    Finish();
    // Random connected tracts by simultaneous growth from 4 seeds.
    std::vector<int> tract(static_cast<size_t>(n + 2), 0);
    std::vector<int> frontier;
    for (int t = 1; t <= 4; ++t) {
      int r;
      do r = 2 + static_cast<int>(gen() % n); while (tract[static_cast<size_t>(r)] != 0);
      tract[static_cast<size_t>(r)] = t;
      frontier.push_back(r);
    }
    while (!frontier.empty()) {
      size_t i = gen() % frontier.size();
      int r = frontier[i];
      std::vector<int> free;
      for (int k = 1; k <= arrBB(r).intNNbrs; ++k) {
        int b = arrBB(r).intNbr(k);
        if (b != 1 && tract[static_cast<size_t>(b)] == 0) free.push_back(b);
      }
      if (free.empty()) {
        frontier.erase(frontier.begin() + static_cast<long>(i));
        continue;
      }
      int b = free[gen() % free.size()];
      tract[static_cast<size_t>(b)] = tract[static_cast<size_t>(r)];
      frontier.push_back(b);
    }
    for (int r = 2; r <= n + 1; ++r) Tract(r, tract[static_cast<size_t>(r)]);

    for (int m = 2; m <= n + 1; ++m) {
      const int donor = tract[static_cast<size_t>(m)];
      if (!Movable(m)) continue;
      int contacts = 0;
      for (int k = 1; k <= arrBB(m).intNNbrs; ++k) {
        int b = arrBB(m).intNbr(k);
        contacts += b != 1 && tract[static_cast<size_t>(b)] == donor;
      }
      multiContactYes += contacts >= 2;
      // The donor without m must be one piece.
      std::vector<int> rest;
      for (int r = 2; r <= n + 1; ++r)
        if (r != m && tract[static_cast<size_t>(r)] == donor) rest.push_back(r);
      if (rest.empty()) continue;
      std::set<int> seen{rest[0]};
      std::vector<int> todo{rest[0]};
      while (!todo.empty()) {
        int r = todo.back();
        todo.pop_back();
        for (int k = 1; k <= arrBB(r).intNNbrs; ++k) {
          int b = arrBB(r).intNbr(k);
          if (b == 1 || b == m || tract[static_cast<size_t>(b)] != donor || seen.count(b)) continue;
          seen.insert(b);
          todo.push_back(b);
        }
      }
      ASSERT_EQ(seen.size(), rest.size()) << "trial " << trial << ": moving block " << m << " splits tract " << donor;
    }
  }
  EXPECT_GT(multiContactYes, 100);
}

}  // namespace
