// Small helpers for the numbered lists inside records (entries 1 to a count,
// position 0 unused), shared by the IBB and tract operations.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "engine.h"

namespace qel {

// Position of the first entry equal to value among entries 1..n; 0 if none.
inline int FindEntry(const List16& list, int n, int value) {
  for (int k = 1; k <= n; ++k)
    if (list(k) == value) return k;
  return 0;
}

inline bool HasEntry(const List16& list, int n, int value) { return FindEntry(list, n, value) != 0; }

// A list count kept within the list, and the list's entries as an array
// indexed like the list, for loops over entries 1 to that count that need no
// check at each step.
inline int ListCount(int n) { return n < 0 ? 0 : n > kListSize ? kListSize : n; }
template <class T>
const T* ListData(const Table<T, 0, kListSize>& list) {
  return &list(0);
}
template <class T>
T* ListData(Table<T, 0, kListSize>& list) {
  return &list(0);
}

// Entries 1 to n (within the list) back to 0.
template <class List>
void ClearEntries(List& list, int n) {
  for (int k = 1; k <= n && k <= kListSize; ++k) list(k) = 0;
}

// The entry at position k (1 to n) leaves: later entries move one place
// down and the count drops by one. The slot just past the new end keeps its
// old value; lengths kept beside the list do not move.
inline void RemoveEntryAt(List16& list, int16_t& n, int k) {
  int16_t* d = ListData(list);
  for (int j = k, last = ListCount(n); j < last; ++j) d[j] = d[j + 1];
  --n;
}

// The removal rule: the first entry equal to value leaves the list, as
// RemoveEntryAt takes it out. Returns false (nothing changed) when the value
// is not listed.
inline bool RemoveEntry(List16& list, int16_t& n, int value) {
  const int k = FindEntry(list, n, value);
  if (k == 0) return false;
  RemoveEntryAt(list, n, k);
  return true;
}

// A short list of entries gathered before a record is changed, so that a
// limit can be tested before anything is written.
struct PendingEntries {
  int16_t n = 0;
  std::array<int16_t, kListSize + 1> entry;  // read only at 1..n

  bool Has(int value) const {
    return std::find(entry.begin() + 1, entry.begin() + 1 + n, value) != entry.begin() + 1 + n;
  }
  // False when the list is full.
  bool Push(int value) {
    if (n >= kListSize) return false;
    entry[static_cast<std::size_t>(++n)] = static_cast<int16_t>(value);
    return true;
  }
};

// Number of homogeneity variables, kept within the record's array.
inline int HomVarCount() { return std::clamp<int>(intNHomVars, 0, kHomSize); }
// Number of homogeneity groups, kept within the group tables.
inline int HomGroupCount() { return std::clamp<int>(intNHomGroups, 0, kHomSize); }

// The capacity limits of the lists, as start-up set them (0 before it),
// never past a list's declared size.
inline int MemberLimit() { return std::clamp<int>(intMaxMembers, 0, kListSize); }
inline int NeighbourLimit() { return std::clamp<int>(intMaxNbrs, 0, kListSize); }
inline int SameZoneLimit() { return std::clamp<int>(intMaxZoneBBs, 0, kListSize); }

// A unit joining a group: a block an IBB, or an IBB a tract. The group's
// neighbour list holds units in the group's own numbering, which entryOf
// gives for each entry of the unit's neighbour list.

enum class JoinLimit { kNone, kMembers, kNeighbours };

// Tests whether the unit (not a member of the group) can join it, and
// gathers in `add` the entries that its joining appends to the group's
// neighbour list: its neighbours that are neither the unit, nor a member,
// nor listed by the group, each once, in the order of the unit's list.
template <class Group, class EntryOf>
JoinLimit PrepareJoin(const Group& group, int unit, const List16& unitNbr, int nUnitNbrs, EntryOf entryOf,
                      PendingEntries& add) {
  if (group.intNMembers >= MemberLimit()) return JoinLimit::kMembers;
  const int nbrLimit = NeighbourLimit();
  const int kept = group.intNNbrs - (HasEntry(group.intNbr, group.intNNbrs, unit) ? 1 : 0);
  add.n = 0;
  for (int q = 1; q <= nUnitNbrs; ++q) {
    const int x = entryOf(unitNbr(q));
    if (x == unit || add.Has(x) || HasEntry(group.intNbr, group.intNNbrs, x) ||
        HasEntry(group.intMember, group.intNMembers, x))
      continue;
    if (kept + add.n >= nbrLimit || !add.Push(x)) return JoinLimit::kNeighbours;
  }
  return JoinLimit::kNone;
}

// The unit becomes the group's last member and leaves its neighbour list,
// to which the gathered entries are appended.
template <class Group>
void JoinLists(Group& group, int unit, const PendingEntries& add) {
  ++group.intNMembers;
  group.intMember(group.intNMembers) = static_cast<int16_t>(unit);
  RemoveEntry(group.intNbr, group.intNNbrs, unit);
  for (int k = 1; k <= add.n; ++k) {
    ++group.intNNbrs;
    group.intNbr(group.intNNbrs) = add.entry[static_cast<std::size_t>(k)];
  }
}

}  // namespace qel
