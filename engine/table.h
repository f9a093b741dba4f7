// Fixed-size tables indexed from a chosen lower bound, as the engine's data
// model declares them. Every access is checked: an index outside the bounds
// raises run-time error 9 instead of touching memory that is not the table's.
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

template <class T, int Lo1, int Hi1, int Lo2, int Hi2>
class Table2 {
 public:
  T& operator()(int i, int j) {
    if (i < Lo1 || i > Hi1 || j < Lo2 || j > Hi2) RaiseError(9);
    return d_[Index(i, j)];
  }
  const T& operator()(int i, int j) const {
    if (i < Lo1 || i > Hi1 || j < Lo2 || j > Hi2) RaiseError(9);
    return d_[Index(i, j)];
  }
  void Fill(const T& v) { d_.fill(v); }

 private:
  static constexpr std::size_t Index(int i, int j) {
    return static_cast<std::size_t>(i - Lo1) * (Hi2 - Lo2 + 1) +
           static_cast<std::size_t>(j - Lo2);
  }
  std::array<T, static_cast<std::size_t>(Hi1 - Lo1 + 1) * (Hi2 - Lo2 + 1)> d_{};
};

}  // namespace qel
