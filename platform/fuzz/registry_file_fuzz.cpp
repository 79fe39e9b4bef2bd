// Registry files of any shape: no crash, a saved file reads again, and a value written into any
// file reads back exactly as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "../src/registry_file.h"

namespace {

using namespace win::regfile;

void Require(bool condition) {
  if (!condition) std::abort();
}

// Sets value in key, saves, reads the text again and finds the value at path.
void RequireReadBack(Hive& hive, Key& key, const std::vector<std::u16string>& path,
                     const Value& value) {
  SetValue(key, value, Clock::now());
  Hive again;
  Require(Parse(Serialize(hive), again));
  const Key* found = &again.root;
  for (const std::u16string& name : path) {
    found = found->Child(name);
    Require(found != nullptr);
  }
  const Entry* entry = found->FindValue(value.name);
  Require(entry && entry->value.type == value.type && entry->value.data == value.data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Hive hive;
  if (!Parse(text, hive)) return 0;
  Hive again;
  Require(Parse(Serialize(hive), again));

  Value value;
  value.name = u"fuzz \"\\[]\x3042";
  value.type = size ? data[0] % 12 : 1;
  value.data.assign(data, data + std::min<std::size_t>(size, 300));
  if (!hive.root.subkeys.empty()) {
    Key& first = *hive.root.subkeys.begin()->second;
    RequireReadBack(hive, first, {first.name}, value);
  }
  Key& added = CreateChild(hive.root, u"Fuzz\x3042]", Clock::now());
  RequireReadBack(hive, added, {u"Fuzz\x3042]"}, value);
  return 0;
}
