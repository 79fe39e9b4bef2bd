// Every Japanese text of the program is the Shift-JIS form of the UTF-8 text beside it.
#include "setup/MainLogTexts.h"
#include "setup/MainSetupTexts.h"
#include "setup/MainTexts.h"
#include "setup/MainUnSetupTexts.h"
#include "setup/Texts.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <string_view>

namespace setup {
namespace {

std::string ToCp932(std::string_view utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<no converter>";
  std::string out(utf8.size() * 2, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size(), outLeft = out.size();
  char* o = out.data();
  size_t result = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1)) return "<not convertible>";
  out.resize(out.size() - outLeft);
  return out;
}

TEST(TextsTest, BytesAreTheShiftJisOfTheirText) {
#define SETUP_TEXT_CHECK(name, utf8, sjis) EXPECT_EQ(ToCp932(utf8), std::string(sjis)) << #name;
  SETUP_TEXTS(SETUP_TEXT_CHECK)
  SETUP_UI_TEXTS(SETUP_TEXT_CHECK)
  SETUP_RUN_TEXTS(SETUP_TEXT_CHECK)
  SETUP_LOG_TEXTS(SETUP_TEXT_CHECK)
  SETUP_UNSETUP_TEXTS(SETUP_TEXT_CHECK)
#undef SETUP_TEXT_CHECK
}

}  // namespace
}  // namespace setup
