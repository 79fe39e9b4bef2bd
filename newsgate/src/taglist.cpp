#include "newsgate/taglist.h"

#include <algorithm>

namespace newsgate {

TTaggedList::TTaggedList()
    : capacity_(kInitialCapacity), array_(std::make_unique<Pair[]>(kInitialCapacity)) {}

std::int32_t TTaggedList::Add(std::int32_t tag, void* item) {
  if (count_ == capacity_) SetCapacity(capacity_ + growthStep_);
  array_[count_] = {tag, item};
  return count_++;
}

void TTaggedList::OutOfBounds(const char* message) { throw ETaggedListError(message); }

void TTaggedList::Set(std::int32_t i, void* item) {
  if (i < 0 || i >= count_) OutOfBounds("Set:Out of bounds");
  array_[i].item = item;
}

void TTaggedList::Clear() {
  count_ = 0;
  SetCapacity(kInitialCapacity);
}

void TTaggedList::SetCapacity(std::int32_t capacity) {
  if (capacity <= 0 || capacity == capacity_) return;
  auto array = std::make_unique<Pair[]>(capacity);
  count_ = std::min(count_, capacity);
  std::copy(array_.get(), array_.get() + count_, array.get());
  array_ = std::move(array);
  capacity_ = capacity;
}

void TTaggedList::SetGrowthStep(std::int32_t step) {
  if (step > 0) growthStep_ = step;
}

}  // namespace newsgate
