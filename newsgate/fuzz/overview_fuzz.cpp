// Overview lines of any bytes: parsed, their date normalised, and checked against a few rules.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "newsgate/filterman.h"
#include "newsgate/xover.h"
#include "platform/codepage.h"

namespace {

const newsgate::TFilterManager& Rules() {
  static newsgate::TFilterManager* manager = [] {
    auto* m = new newsgate::TFilterManager;
    newsgate::TFilterRows rows;
    auto add = [&](int type, const char* subject, int regexp, const char* group) {
      rows.push_back(std::make_unique<newsgate::TFilter>());
      rows.back()->FilterType = type;
      rows.back()->Subject = subject;
      rows.back()->UseRegExp = regexp;
      if (*group) rows.back()->Groups = {group};
    };
    add(newsgate::ftFilter, "a \x83\x41", 0, "");
    add(newsgate::ftExclude, "^(a|aa)+$", 1, "*");
    add(newsgate::ftMark, "", 0, "!x.*");
    rows.back()->CrossPost = true;
    rows.back()->CheckSize = true;
    add(newsgate::ftAlwaysFilter, "(?:x+x+)+y", 1, "");
    m->SetFilters(std::move(rows));
    return m;
  }();
  return *manager;
}

bool WellFormedDate(std::string_view date) {
  if (date.size() != 17 || date[4] != '/' || date[7] != '/' || date[10] != ' ' || date[13] != ':' ||
      date[16] != ' ')
    return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15})
    if (date[i] < '0' || date[i] > '9') return false;
  return true;
}

}  // namespace

// Shift-JIS, without looking for a system root.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  win::SetACPOverride(932);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  try {
    if (!WellFormedDate(newsgate::NormalizeDate(line))) std::abort();
  } catch (const newsgate::EConvertError&) {
  } catch (const newsgate::ETimezoneError&) {
  }
  newsgate::TXOVER record;
  try {
    record.Parse(line);
  } catch (const newsgate::EConvertError&) {
    return 0;
  } catch (const newsgate::ETimezoneError&) {
    return 0;
  }
  if (!WellFormedDate(record.date)) std::abort();
  newsgate::TOverviewInfo info;
  record.FillInfo(info);
  info.group = record.from;
  int type;
  const bool caught = Rules().Check(info, type);
  if (caught != (type == 0 || type == 1 || type == 3)) std::abort();
  return 0;
}
