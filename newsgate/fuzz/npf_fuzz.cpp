// Filter definition files of any bytes: read as INI text, written again they read back the same,
// and every section loads and prepares as a filter.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "newsgate/filterman.h"
#include "platform/codepage.h"

// Shift-JIS, without looking for a system root.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  win::SetACPOverride(932);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const newsgate::TMemIniFile file(text);
  const std::string written = file.GetText();
  if (newsgate::TMemIniFile(written).GetText() != written) std::abort();
  newsgate::TFilterRows filters = newsgate::ReadFilterFile(file);
  if (static_cast<int>(filters.size()) != file.SectionCount()) std::abort();
  for (auto& filter : filters) filter->Prepare();
  return 0;
}
