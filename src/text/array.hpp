// Arrays with a lower bound, re-dimensioned as the documented algorithms
// say ("re-dimension ColourList to the indices 0 to ColourCount"). Every
// access outside the bounds, and every access before the first Redim,
// raises error 9 "Subscript out of range".
//
//   BoundedArray<Text> list;
//   list.Redim(0, 101);          // 102 empty entries
//   list[100] = u"#000000";
//   list[102];                   // Error 9
#pragma once

#include "text/errors.hpp"

#include <cstdint>
#include <vector>

namespace skeinlet::detail {

template <class T>
class BoundedArray {
 public:
  BoundedArray() = default;

  // Discards the contents: all entries become T{}. upper < lower - 1 is
  // error 9, as re-dimensioning to an impossible range was.
  void Redim(std::int64_t lower, std::int64_t upper) {
    if (upper < lower - 1) RaiseError(Error::kSubscript);
    lower_ = lower;
    const auto count = static_cast<std::size_t>(upper - lower + 1);
    if constexpr (requires(T& item) { item.clear(); }) {
      // The same extent again (a scan's table of 2,000 finds, once per
      // document) is emptied where it stands.
      if (dimensioned_ && items_.size() == count) {
        for (T& item : items_) item.clear();
        return;
      }
    }
    items_.assign(count, T{});
    dimensioned_ = true;
  }
  // Keeps the entries that are still inside the new upper bound.
  void RedimPreserve(std::int64_t upper) {
    if (!dimensioned_) {
      Redim(0, upper);
      return;
    }
    if (upper < lower_ - 1) RaiseError(Error::kSubscript);
    items_.resize(static_cast<std::size_t>(upper - lower_ + 1));
  }
  void Erase() {
    items_.clear();
    dimensioned_ = false;
  }

  bool Dimensioned() const noexcept { return dimensioned_; }
  // LBound/UBound; error 9 on an array that was never dimensioned.
  std::int64_t LBound() const {
    if (!dimensioned_) RaiseError(Error::kSubscript);
    return lower_;
  }
  std::int64_t UBound() const {
    if (!dimensioned_) RaiseError(Error::kSubscript);
    return lower_ + static_cast<std::int64_t>(items_.size()) - 1;
  }
  std::size_t Count() const noexcept { return items_.size(); }

  T& operator[](std::int64_t i) { return items_[Slot(i)]; }
  const T& operator[](std::int64_t i) const { return items_[Slot(i)]; }
  // The entry at `i`, or null where reading it would raise error 9: for a
  // caller that takes the error's path itself, without raising it.
  const T* Find(std::int64_t i) const noexcept { return Inside(i) ? &items_[Slot(i)] : nullptr; }

 private:
  bool Inside(std::int64_t i) const noexcept {
    return dimensioned_ && i >= lower_ && i - lower_ < static_cast<std::int64_t>(items_.size());
  }
  std::size_t Slot(std::int64_t i) const {
    if (!Inside(i)) RaiseError(Error::kSubscript);
    return static_cast<std::size_t>(i - lower_);
  }

  std::vector<T> items_;
  std::int64_t lower_ = 0;
  bool dimensioned_ = false;
};

}  // namespace skeinlet::detail
