// Fixed-size tables indexed from a chosen lower bound, as the engine's data
// model declares them. Every access is checked: an index outside the bounds
// raises run-time error 9 instead of touching memory that is not the table's.
//
// The module tables of records are large (some 12 MB each) and a study area
// uses only their first records. They remember the highest record handed out
// for writing, so that clearing them touches no page the program never used.
#pragma once

#include <array>
#include <cstddef>

namespace qel {

[[noreturn]] void RaiseError(int number);

template <class T, int Lo, int Hi>
class Table {
  static_assert(Hi >= Lo, "empty table");

 public:
  static constexpr int kLower = Lo;
  static constexpr int kUpper = Hi;

  T& operator()(int i) {
    if (i < Lo || i > Hi) RaiseError(9);
    return d_[static_cast<std::size_t>(i - Lo)];
  }
  const T& operator()(int i) const {
    if (i < Lo || i > Hi) RaiseError(9);
    return d_[static_cast<std::size_t>(i - Lo)];
  }
  T& operator[](int i) { return (*this)(i); }
  const T& operator[](int i) const { return (*this)(i); }

  void Fill(const T& v) { d_.fill(v); }
  static constexpr bool InBounds(int i) { return i >= Lo && i <= Hi; }

 private:
  std::array<T, static_cast<std::size_t>(Hi - Lo + 1)> d_{};
};

// A module table of records. Reads through a const reference leave the mark
// alone; hot loops that only read use one.
template <class T, int Lo, int Hi>
class RecordTable {
  static_assert(Hi >= Lo, "empty table");

 public:
  T& operator()(int i) {
    if (i < Lo || i > Hi) RaiseError(9);
    if (i > used_) used_ = i;
    return d_[static_cast<std::size_t>(i - Lo)];
  }
  const T& operator()(int i) const {
    if (i < Lo || i > Hi) RaiseError(9);
    return d_[static_cast<std::size_t>(i - Lo)];
  }
  static constexpr bool InBounds(int i) { return i >= Lo && i <= Hi; }

  // The highest record that may differ from its state at program start
  // (Lo - 1 when none does).
  int Used() const { return used_; }
  // Every record back to its state at program start.
  void Clear() {
    for (int i = Lo; i <= used_; ++i) d_[static_cast<std::size_t>(i - Lo)] = T{};
    used_ = Lo - 1;
  }

 private:
  int used_ = Lo - 1;
  std::array<T, static_cast<std::size_t>(Hi - Lo + 1)> d_{};
};

// A module table of two dimensions; it remembers the highest row written.
template <class T, int Lo1, int Hi1, int Lo2, int Hi2>
class Table2 {
 public:
  T& operator()(int i, int j) {
    if (i < Lo1 || i > Hi1 || j < Lo2 || j > Hi2) RaiseError(9);
    if (i > used_) used_ = i;
    return d_[Index(i, j)];
  }
  const T& operator()(int i, int j) const {
    if (i < Lo1 || i > Hi1 || j < Lo2 || j > Hi2) RaiseError(9);
    return d_[Index(i, j)];
  }
  // Every element back to its state at program start, touching only rows
  // written since the last clear.
  void Clear() {
    for (int i = Lo1; i <= used_; ++i)
      for (int j = Lo2; j <= Hi2; ++j) d_[Index(i, j)] = T{};
    used_ = Lo1 - 1;
  }

 private:
  static constexpr std::size_t Index(int i, int j) {
    return static_cast<std::size_t>(i - Lo1) * (Hi2 - Lo2 + 1) +
           static_cast<std::size_t>(j - Lo2);
  }
  int used_ = Lo1 - 1;
  std::array<T, static_cast<std::size_t>(Hi1 - Lo1 + 1) * (Hi2 - Lo2 + 1)> d_{};
};

}  // namespace qel
