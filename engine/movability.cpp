#include "movability.h"

#include <algorithm>
#include <utility>

#include "engine.h"
#include "list_ops.h"

namespace qel {

namespace {

constexpr int kMaxPairs = kListSize;

// Contact index + 1 of each block record while the general test runs, else
// 0. Cleared again however the test ends, so each call costs only its own
// contacts.
Table<int16_t, 0, kTableSize> g_contactOf;

// Takes the marks of the contacts off again when the test ends, by its
// return or by an error.
struct ContactMarks {
  const int16_t* contacts;
  const int& n;
  ~ContactMarks() {
    for (int i = 0; i < n; ++i) g_contactOf(contacts[i]) = 0;
  }
};

bool IsContact(int b, int16_t donor) {
  // Record 1 is the outside. A block's own number may well be 1 too: it is
  // a contact like any other, or the test could let a move split its tract.
  if (b <= 1 || b > intNRecs || b > kTableSize) return false;
  const int16_t g = (&std::as_const(arrBB)(1))[b - 1].intIBB;
  if (g < 1 || g > intNIBB || g > kTableSize) return false;
  return (&std::as_const(arrIBB)(1))[g - 1].intTract == donor;
}

struct Pair {
  int16_t a, b;  // contact indexes, a < b
};

// Whether block b is among block a's neighbours.
bool ListsNeighbour(int16_t a, int16_t b) {
  const udtBB& bb = std::as_const(arrBB)(a);
  const int16_t* nbr = ListData(bb.intNbr);
  for (int k = 1, count = ListCount(bb.intNNbrs); k <= count; ++k)
    if (nbr[k] == b) return true;
  return false;
}

// Given the contacts, decides whether they form one chain.
bool ContactsFormOneChain(const int16_t* contacts, int n) {
  Pair pairs[kMaxPairs];
  int nPairs = 0;
  int16_t degree[kListSize];
  std::fill_n(degree, n, int16_t{0});
  for (int i = 0; i < n; ++i) {
    const udtBB& bb = std::as_const(arrBB)(contacts[i]);
    for (int k = 1; k <= bb.intNNbrs; ++k) {
      const int16_t x = bb.intNbr(k);
      if (x < 0 || x > kTableSize) continue;
      const int j = g_contactOf(x) - 1;
      if (j < 0 || j == i) continue;
      const Pair p{static_cast<int16_t>(i < j ? i : j), static_cast<int16_t>(i < j ? j : i)};
      bool known = false;
      for (int q = 0; q < nPairs && !known; ++q) known = pairs[q].a == p.a && pairs[q].b == p.b;
      if (known) continue;
      if (nPairs == kMaxPairs) return false;  // more pairs than the chain can have
      pairs[nPairs++] = p;
      ++degree[p.a];
      ++degree[p.b];
    }
  }
  int ends = 0, firstEnd = -1;
  for (int i = 0; i < n; ++i) {
    if (degree[i] == 0) return false;
    if (degree[i] == 1) {
      if (firstEnd < 0) firstEnd = i;
      ++ends;
    }
  }
  if (ends != 2) return false;
  if (nPairs <= 1) return true;
  // Walk the pairs from one end; the chain is whole when every contact is met.
  bool reached[kListSize];
  std::fill_n(reached, n, false);
  int16_t stack[kListSize];
  int top = 0, seen = 1;
  reached[firstEnd] = true;
  stack[top++] = static_cast<int16_t>(firstEnd);
  while (top > 0) {
    const int c = stack[--top];
    for (int q = 0; q < nPairs; ++q) {
      int other = -1;
      if (pairs[q].a == c) other = pairs[q].b;
      if (pairs[q].b == c) other = pairs[q].a;
      if (other < 0 || reached[other]) continue;
      reached[other] = true;
      ++seen;
      stack[top++] = static_cast<int16_t>(other);
    }
  }
  return seen == n;
}

}  // namespace

bool IsMovable(int16_t intIBB, int16_t intDonor) {
  const udtIBB& m = std::as_const(arrIBB)(intIBB);
  int16_t contacts[kListSize];
  int n = 0;
  const int16_t* nbr = ListData(m.intNbr);
  for (int k = 1, count = ListCount(m.intNNbrs); k <= count; ++k) {
    const int16_t b = nbr[k];
    // An IBB lists each neighbouring block once, so each contact comes once.
    if (IsContact(b, intDonor)) contacts[n++] = b;
  }
  if (n <= 1) return n == 1;
  // Two contacts are a chain when they are a pair, found from either end.
  if (n == 2) return ListsNeighbour(contacts[0], contacts[1]) || ListsNeighbour(contacts[1], contacts[0]);
  const ContactMarks marks{contacts, n};
  for (int i = 0; i < n; ++i) g_contactOf(contacts[i]) = static_cast<int16_t>(i + 1);
  return ContactsFormOneChain(contacts, n);
}

}  // namespace qel
