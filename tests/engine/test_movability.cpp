// The movability rule on hand-made contact patterns. Every block is an IBB of
// its own (record r in IBB r - 1); the candidate is IBB 1 (record 2), its donor
// tract 1, which holds every other IBB but record 12's (tract 2).
#include "movability.h"
#include "test_support.h"

using namespace qel;

namespace {

struct Pattern {
  const char* name;
  std::vector<int> touches;               // IBB 1's neighbouring records, in list order
  std::vector<std::pair<int, int>> arcs;  // records among them that neighbour each other
  bool movable;
};

void Link(int a, int b) {
  arrBB(a).intNbr(++arrBB(a).intNNbrs) = static_cast<int16_t>(b);
  arrBB(b).intNbr(++arrBB(b).intNNbrs) = static_cast<int16_t>(a);
}

void Build(const Pattern& p) {
  intNRecs = 12, intNIBB = 11;
  for (int r = 1; r <= 12; ++r) arrBB(r) = udtBB{}, arrBB(r).intID = static_cast<int16_t>(r);
  for (int g = 1; g <= 11; ++g) arrIBB(g) = udtIBB{}, arrIBB(g).intTract = g == 11 ? 2 : 1;
  for (int r = 2; r <= 12; ++r) arrBB(r).intIBB = static_cast<int16_t>(r - 1);
  arrBB(1).intIBB = 2;   // the outside, even when it names an IBB of the donor, is no contact
  arrBB(3).intID = 1;    // a block numbered 1 is a contact like any other
  arrBB(11).intIBB = 0;  // a block in no IBB has no tract
  for (int b : p.touches) {
    arrIBB(1).intNbr(++arrIBB(1).intNNbrs) = static_cast<int16_t>(b);
    Link(2, b);
  }
  for (const auto& [a, b] : p.arcs) Link(a, b);
}

TEST(Movability, ContactPatterns) {
  const Pattern patterns[] = {
      {"no contact", {1, 11, 12}, {{11, 12}}, false},
      {"one contact", {3, 12, 1}, {{3, 12}, {12, 1}}, true},
      {"chain of 2", {3, 4}, {{3, 4}}, true},
      {"chain of 3, middle listed first", {4, 3, 5}, {{3, 4}, {4, 5}}, true},
      {"chain of 5", {5, 3, 7, 4, 6}, {{3, 4}, {4, 5}, {5, 6}, {6, 7}}, true},
      {"two contacts apart", {3, 5}, {}, false},
      {"ring", {3, 4, 5, 6}, {{3, 4}, {4, 5}, {5, 6}, {6, 3}}, false},
      {"fork", {3, 4, 5, 6}, {{3, 4}, {4, 5}, {4, 6}}, false},
      {"two separate arcs", {3, 4, 5, 6}, {{3, 4}, {5, 6}}, false},
      {"a chain beside a ring", {3, 4, 5, 6, 7}, {{3, 4}, {5, 6}, {6, 7}, {7, 5}}, false},
      {"joined through another tract only", {3, 12, 4}, {{3, 12}, {12, 4}}, false},
      {"joined through the outside only", {3, 1, 4}, {{3, 1}, {1, 4}}, false},
      {"joined through a block in no IBB only", {3, 11, 4}, {{3, 11}, {11, 4}}, false},
  };
  ResetEngineState();
  for (const auto& p : patterns) {
    Build(p);
    EXPECT_EQ(IsMovable(1, 1), p.movable) << p.name;
  }
}

}  // namespace
