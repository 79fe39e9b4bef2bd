#pragma once
// A growable array of (tag, item) pairs. The list never owns its items.
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace newsgate {

// An index outside the list: "Get:Out of bounds" or "Set:Out of bounds".
class ETaggedListError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

class TTaggedList {
 public:
  static constexpr std::int32_t kInitialCapacity = 1000;
  static constexpr std::int32_t kInitialGrowthStep = 100;

  TTaggedList();

  // Appends a pair, growing the array by the growth step when it is full; returns its index.
  std::int32_t Add(std::int32_t tag, void* item);
  void* Get(std::int32_t i) const {
    if (i < 0 || i >= count_) OutOfBounds("Get:Out of bounds");
    return array_[i].item;
  }
  void Set(std::int32_t i, void* item);
  std::int32_t Count() const { return count_; }
  void Clear();  // count 0, capacity back to its initial size

  std::int32_t Capacity() const { return capacity_; }
  // A capacity of 0 or below, or the current one, changes nothing; one below the count cuts it.
  void SetCapacity(std::int32_t capacity);
  std::int32_t GrowthStep() const { return growthStep_; }
  void SetGrowthStep(std::int32_t step);  // 0 or below changes nothing

 private:
  [[noreturn]] static void OutOfBounds(const char* message);

  struct Pair {
    std::int32_t tag;
    void* item;
  };

  std::int32_t capacity_;
  std::int32_t count_ = 0;
  std::int32_t growthStep_ = kInitialGrowthStep;
  std::unique_ptr<Pair[]> array_;
};

}  // namespace newsgate
