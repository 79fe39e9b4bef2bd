#pragma once
// One registry file in Wine's text format, parsed into a tree of keys. The tree keeps every line it
// does not interpret (key options such as #class and #link, comments, lines that do not parse) in
// its place, and the text of every value it did not change, so a load and a save lose nothing.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace win::regfile {

using Clock = std::chrono::system_clock;

// A name upper-cased as the registry compares names: ASCII and the Unicode simple upper case
// (never mapping a non-ASCII character into ASCII).
std::u16string Fold(std::u16string_view name);

struct Value {
  std::u16string name;  // "" is the default value
  DWORD type = 0;
  std::vector<std::uint8_t> data;
};

// One item of a key's section, in file order: a value, or line(s) kept as the file has them.
struct Entry {
  std::string text;  // the line(s) as written, continuation lines joined by "\n"
  bool isValue = false;
  bool brokenSection = false;  // a section line that does not parse: what follows has no key
  Value value;
  std::u16string folded;  // the value's name, folded
};

struct Key {
  std::u16string name;  // as first created
  Key* parent = nullptr;
  bool hasSection = false;  // the file gave this key a [section] line
  std::string rawPath;      // that line's path, as the file spells it
  std::string stamp;        // what follows "]" on that line
  std::vector<Entry> entries;
  std::map<std::u16string, std::unique_ptr<Key>> subkeys;  // by folded name: the registry's order

  Key* Child(std::u16string_view name) const;
  const Entry* FindValue(std::u16string_view name) const;
  bool IsLink() const;  // marked "#link"
};

struct Hive {
  std::vector<std::string> preamble;  // the header lines before the first section
  Key root;
};

// Parses a file's text into hive. False when the text is not a registry file (its first line is
// not the header); a file's lines that do not parse are kept as text, never dropped.
bool Parse(std::string_view text, Hive& hive);
std::string Serialize(const Hive& hive);
// An empty hive whose header says that its keys are relative to base (as written: "\\\\Machine").
void InitHive(Hive& hive, std::string_view base);

// Edits; each marks the keys it changes as modified at `now`, as Wine does. SetValue reports false
// when the key already held the same value (nothing to save).
bool SetValue(Key& key, const Value& value, Clock::time_point now);
bool DeleteValue(Key& key, std::u16string_view name, Clock::time_point now);
Key& CreateChild(Key& parent, std::u16string_view name, Clock::time_point now);
void DeleteChild(Key& parent, std::u16string_view name, Clock::time_point now);

// The line(s) of a value as Wine writes them.
std::string FormatValue(const Value& value);

}  // namespace win::regfile
