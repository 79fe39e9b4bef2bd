#include "setup/MainLogSlots.h"

#include <algorithm>

#include "platform/codepage.h"

namespace setup {

namespace {

// Equal compare texts without regard to case have equal forms (the locale's comparison is that of
// the upper-case mapping).
std::string CompareForm(std::string_view value) { return win::MapUpperCase(CompareText(value)); }

}  // namespace

std::string_view CompareText(std::string_view value) {
  // A comma is never a trail byte in the code pages in use, so a byte search finds the character.
  return value.substr(0, value.find(','));
}

std::size_t LogSlots::Find(std::string_view value) const {
  std::size_t n = values_.size() + 1;
  if (!empty_.empty()) n = std::min(n, *empty_.begin());
  auto equal = first_.find(CompareForm(value));
  if (equal != first_.end()) n = std::min(n, equal->second);
  return n;
}

const std::string& LogSlots::At(std::size_t n) const {
  static const std::string kNone;
  return n >= 1 && n <= values_.size() ? values_[n - 1] : kNone;
}

void LogSlots::Set(std::size_t n, std::string stored) {
  if (n < 1 || n > values_.size() + 1) return;
  std::string newForm = CompareForm(stored);
  if (n > values_.size()) {
    values_.push_back(std::move(stored));
  } else {
    std::string oldForm = CompareForm(values_[n - 1]);
    values_[n - 1] = std::move(stored);
    if (oldForm == newForm) return;  // the slot kept its compare text
    Forget(n, oldForm);
  }
  if (newForm.empty()) {
    empty_.insert(n);
  } else {
    auto [entry, added] = first_.try_emplace(std::move(newForm), n);
    if (!added) entry->second = std::min(entry->second, n);
  }
}

void LogSlots::Forget(std::size_t n, const std::string& form) {
  if (form.empty()) {
    empty_.erase(n);
    return;
  }
  // A slot changes from one compare text to another only when a reader sees a value otherwise
  // than it was written (blanks, quotes): the next slot of the old text, if any, becomes its first.
  auto entry = first_.find(form);
  if (entry == first_.end() || entry->second != n) return;
  first_.erase(entry);
  for (std::size_t m = n + 1; m <= values_.size(); ++m) {
    if (CompareForm(values_[m - 1]) == form) {
      first_.emplace(form, m);
      return;
    }
  }
}

}  // namespace setup
