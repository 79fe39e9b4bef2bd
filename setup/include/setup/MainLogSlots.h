#pragma once
// The numbered keys (File1, File2, ...) of one section of a log that is written from empty, kept
// in memory so that finding the number of the next value costs no walk through the file.
//
// The slot search of the log: the compare text of a value is its text before the first comma (the
// whole value without one); the value's number is the first n whose stored value, cut at its first
// comma, is empty or equal to the compare text without regard to case (by the locale's rules).
// Numbers are handed out densely from 1, so a value that matches nothing takes the next free one.
#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace setup {

class LogSlots {
 public:
  // The number the slot search gives the value.
  std::size_t Find(std::string_view value) const;

  // The value stored under n (1-based); empty when there is none.
  const std::string& At(std::size_t n) const;

  // Records that n now holds `stored` (what a reader of the file sees there). n is the number
  // Find gave a value with the same compare text, so at most one past the last number in use.
  void Set(std::size_t n, std::string stored);

 private:
  void Forget(std::size_t n, const std::string& form);  // n no longer holds that compare text

  std::vector<std::string> values_;                     // number n at index n - 1
  std::unordered_map<std::string, std::size_t> first_;  // compare form -> smallest number
  std::set<std::size_t> empty_;                         // numbers whose cut value is empty
};

// The value's text before its first comma, or the whole value.
std::string_view CompareText(std::string_view value);

}  // namespace setup
