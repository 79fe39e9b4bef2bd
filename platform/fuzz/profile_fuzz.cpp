// INI files of any shape: no crash, every byte kept, and after each edit the lines held agree with
// a fresh read of the bytes they make (an append adds exactly its bytes at the end).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "../src/profile_document.h"
#include "platform/codepage.h"

namespace {

using win::profile::Change;
using win::profile::Document;
using win::profile::Edit;
using win::profile::LeadBytes;

void Require(bool condition) {
  if (!condition) std::abort();
}

std::vector<std::string> Names(const std::string& list) {
  std::vector<std::string> names;
  for (std::size_t begin = 0; begin < list.size();) {
    std::size_t end = list.find('\0', begin);
    names.push_back(list.substr(begin, end - begin));
    begin = end + 1;
  }
  return names;
}

// Names that any write reads back: a name ending in a lone lead byte, say, does not.
bool Plain(const std::string& name) {
  for (char c : name)
    if (c < ' ' || c > '~' || c == ']' || c == '=') return false;
  return true;
}

void RequireSameView(const Document& held, const LeadBytes& lead) {
  Document fresh(held.Bytes(), lead);
  Require(fresh.SectionNames() == held.SectionNames());
  for (const std::string& section : Names(held.SectionNames())) {
    Require(fresh.KeyNames(section) == held.KeyNames(section));
    for (const std::string& key : Names(held.KeyNames(section)))
      Require(fresh.Find(section, key) == held.Find(section, key));
  }
}

void RequireEdit(Document& document, const LeadBytes& lead,
                 const std::function<Edit(Document&)>& edit) {
  std::string before = document.Bytes();
  Edit change = edit(document);
  std::string after = document.Bytes();
  Require(after.size() == document.size());
  if (change.change == Change::None) Require(after == before);
  if (change.change == Change::Appended) Require(after == before + change.appended);
  RequireSameView(document, lead);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const LeadBytes lead = [] {
    win::SetACPOverride(932);
    return win::profile::CurrentLeadBytes();
  }();
  if (size > 64 * 1024) return 0;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Document document(bytes, lead);
  Require(document.Bytes() == bytes);
  RequireSameView(document, lead);

  std::vector<std::string> sections = Names(document.SectionNames());
  sections.push_back("new section");
  for (std::size_t i = 0; i < sections.size() && i < 4; ++i) {
    const std::string& section = sections[i];
    std::vector<std::string> keys = Names(document.KeyNames(section));
    const std::string key = keys.empty() ? "k" : keys.front();
    RequireEdit(document, lead, [&](Document& d) { return d.Set(section, key, "v"); });
    if (Plain(section) && Plain(key)) Require(document.Find(section, key) == "v");
    RequireEdit(document, lead, [&](Document& d) { return d.Set(section, "added", "w"); });
    RequireEdit(document, lead, [&](Document& d) { return d.DeleteKey(section, key); });
    if (i % 2) RequireEdit(document, lead, [&](Document& d) { return d.DeleteSection(section); });
  }
  return 0;
}
