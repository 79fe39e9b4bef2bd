#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/root.h"
#include "scratch_root.h"

namespace {

using win::UINT;

// Selects a code page for one test and returns to the registry's afterwards.
class CodePage {
 public:
  explicit CodePage(UINT codePage) { win::SetACPOverride(codePage); }
  ~CodePage() { win::SetACPOverride(0); }
};

TEST(CodePageTest, LeadBytes) {
  struct Case {
    UINT codePage;
    unsigned char byte;
    bool lead;
  };
  const Case cases[] = {{932, 0x80, false},  {932, 0x81, true},   {932, 0x9F, true},
                        {932, 0xA0, false},  {932, 0xDF, false},  {932, 0xE0, true},
                        {932, 0xFC, true},   {932, 0xFD, false},  {932, 0x5C, false},
                        {1252, 0x81, false}, {1252, 0xE0, false}, {65001, 0xE3, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(win::IsDBCSLeadByteEx(c.codePage, c.byte), c.lead) << c.codePage << " " << +c.byte;
    CodePage active(c.codePage);
    EXPECT_EQ(win::IsDBCSLeadByte(c.byte), c.lead) << c.codePage << " " << +c.byte;
  }
}

// Characters that convert both ways unchanged.
TEST(CodePageTest, ConversionsRoundTrip) {
  struct Case {
    UINT codePage;
    std::string ansi, utf8;
  };
  const Case cases[] = {
      {932, "plain ASCII \\~", "plain ASCII \\~"},
      {932, "\x95\x5C\x8E\xA6", "表示"},  // trail byte 0x5C
      {932, "\xB1\xDE", "ｱﾞ"},            // half-width katakana
      {932, "\x87\x40\xFA\x57", "①＂"},   // NEC and IBM extensions
      {932, "\xF0\x40", "\xEE\x80\x80"},  // user-defined area
      {932, "\x80\xA0\xFD\xFF", "\xC2\x80\uF8F0\uF8F1\uF8F3"},
      {1252, "caf\xE9 \x80", "café €"},
      {1252, "\x81\x9D", "\xC2\x81\xC2\x9D"},
      {65001, "表示 ünï", "表示 ünï"},
  };
  for (const Case& c : cases) {
    CodePage active(c.codePage);
    EXPECT_EQ(win::AnsiToUtf8(c.ansi), c.utf8) << c.codePage << " " << c.utf8;
    EXPECT_EQ(win::Utf8ToAnsi(c.utf8), c.ansi) << c.codePage << " " << c.utf8;
    EXPECT_EQ(win::Utf8ToAnsiExact(c.utf8), c.ansi) << c.codePage << " " << c.utf8;
    std::u16string utf16 = win::Utf8ToUtf16(c.utf8);
    EXPECT_EQ(win::AnsiToUtf16(c.ansi), utf16) << c.codePage << " " << c.utf8;
    EXPECT_EQ(win::Utf16ToAnsi(utf16), c.ansi) << c.codePage << " " << c.utf8;
    EXPECT_EQ(win::Utf16ToUtf8(utf16), c.utf8) << c.codePage << " " << c.utf8;
  }
}

TEST(CodePageTest, UndefinedAnsiBytesBecomeTheDefaultCharacter) {
  struct Case {
    UINT codePage;
    std::string ansi, utf8;
  };
  const Case cases[] = {
      {932, "\x85\x40x", "・x"},            // lead and trail, but no character
      {932, "a\x81", "a・"},                // lead byte at the end
      {932, "\x81 \x81\x7F", "・ ・\x7F"},  // lead byte before a byte that is no trail byte
      {65001, "a\xFF\xC3", "a\uFFFD\uFFFD"},
      {65001, "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
  };
  for (const Case& c : cases) {
    CodePage active(c.codePage);
    EXPECT_EQ(win::AnsiToUtf8(c.ansi), c.utf8) << c.utf8;
    EXPECT_EQ(win::AnsiToUtf16(c.ansi), win::Utf8ToUtf16(c.utf8)) << c.utf8;
  }
}

TEST(CodePageTest, MissingCharactersNeverBecomeLookAlikes) {
  struct Case {
    UINT codePage;
    std::string utf8, ansi;
  };
  const Case cases[] = {
      {932, "a€b", "a?b"},
      {932, "¥‾", "??"},  // not "\" and "~", which would change a path
      {932, "x\xFFy", "x?y"},
      {932, "😀", "?"},
      {1252, "表", "?"},
      {1252, "\xF3\xA0\x80\x81", "?"},        // a tag character, not dropped
      {65001, "a\xC0\xAF", "a\uFFFD\uFFFD"},  // invalid UTF-8 is no character either
  };
  for (const Case& c : cases) {
    CodePage active(c.codePage);
    EXPECT_EQ(win::Utf8ToAnsi(c.utf8), c.ansi) << c.utf8;
    EXPECT_EQ(win::Utf16ToAnsi(win::Utf8ToUtf16(c.utf8)), c.ansi) << c.utf8;
    EXPECT_EQ(win::Utf8ToAnsiExact(c.utf8), std::nullopt) << c.utf8;
  }
  CodePage active(932);
  EXPECT_EQ(win::Utf8ToAnsiExact("〜"), std::nullopt);  // iconv writes it as the bytes of "～"
}

TEST(CodePageTest, Utf16SurrogatesAndUnpairedHalves) {
  EXPECT_EQ(win::Utf8ToUtf16("😀"), u"\xD83D\xDE00");
  EXPECT_EQ(win::Utf16ToUtf8(u"\xD83D\xDE00"), "😀");
  EXPECT_EQ(win::Utf16ToUtf8(std::u16string{u'a', 0xD83D, u'b', 0xDE00}), "a\uFFFDb\uFFFD");
}

TEST(CodePageTest, UpperCase) {
  struct Case {
    UINT codePage;
    std::string in, out;
  };
  const Case cases[] = {
      {932, "abc-xyz{}", "ABC-XYZ{}"},
      {932, "\x82\x81\x82\x9A\x82\x60", "\x82\x60\x82\x79\x82\x60"},  // full-width a, z, A
      {932, "\x83\xBF\x84\x70\x84\x80", "\x83\x9F\x84\x40\x84\x4F"},  // Greek, Cyrillic
      {932, "\x83\x61\x83\x7A", "\x83\x61\x83\x7A"},  // trail bytes 'a' and 'z' stay
      {932,
       "\xB1"
       "a\x82",
       "\xB1"
       "A\x82"},  // katakana, a lead byte at the end
      {1252, "caf\xE9 \xFF\x9A\xF7", "CAF\xC9 \x9F\x8A\xF7"},
      {65001, "éａω\xFFz", "ÉＡΩ\xFFZ"},
  };
  for (const Case& c : cases) {
    CodePage active(c.codePage);
    EXPECT_EQ(win::MapUpperCase(c.in), c.out) << c.codePage << " " << c.in;
  }
}

// Runs f with a code page active.
template <class F>
auto In(UINT codePage, F f) {
  CodePage active(codePage);
  return f();
}

// The byte-level mapping of 932 and 1252 agrees with the mapping of the characters themselves.
TEST(CodePageTest, UpperCaseOfEveryCharacterAgreesWithUnicode) {
  auto upperViaUtf8 = [](UINT codePage, const std::string& ansi) {
    std::string utf8 = In(codePage, [&] { return win::AnsiToUtf8(ansi); });
    std::string upper = In(win::CP_UTF8, [&] { return win::MapUpperCase(utf8); });
    return In(codePage, [&] { return win::Utf8ToAnsi(upper); });
  };
  auto upper = [](UINT codePage, const std::string& ansi) {
    return In(codePage, [&] { return win::MapUpperCase(ansi); });
  };
  int letters = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!win::IsDBCSLeadByteEx(932, static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      std::string ch{static_cast<char>(lead), static_cast<char>(trail)};
      if (In(932, [&] { return win::Utf8ToAnsiExact(win::AnsiToUtf8(ch)); }) != ch) continue;
      ASSERT_EQ(upper(932, ch), upperViaUtf8(932, ch)) << lead << " " << trail;
      letters += upper(932, ch) != ch;
    }
  }
  EXPECT_EQ(letters, 26 + 24 + 33);  // full-width Latin, Greek, Cyrillic
  for (int b = 0x20; b <= 0xFF; ++b) {
    std::string ch(1, static_cast<char>(b));
    ASSERT_EQ(upper(1252, ch), upperViaUtf8(1252, ch)) << b;
  }
}

TEST(CodePageTest, FullWidth) {
  struct Case {
    UINT codePage;
    std::string in, out;
  };
  const Case cases[] = {
      {932, "A1 !", "\x82\x60\x82\x50\x81\x40\x81\x49"},
      {932, "\"~\\", "\xFA\x57\x81\x60\x81\x5F"},
      {932, "\xB6\xDE\xCA\xDF\xB3\xDE", "\x83\x4B\x83\x70\x83\x94"},  // ga, pa, vu combined
      {932, "\xB1\xDE\xDE\xA1", "\x83\x41\x81\x4A\x81\x4A\x81\x42"},  // a, marks alone, stop
      {932, "\x95\x5C\x82\x60", "\x95\x5C\x82\x60"},                  // double-byte unchanged
      {932, "\x81", "\x81"},
      {1252, "A \xE9", "A \xE9"},  // no full-width forms in 1252
      {65001, "A ｶﾞ", "Ａ\u3000ガ"},
  };
  for (const Case& c : cases) {
    CodePage active(c.codePage);
    EXPECT_EQ(win::MapFullWidth(c.in), c.out) << c.codePage << " " << c.in;
  }
}

TEST(CodePageTest, CompareNoCase) {
  CodePage active(932);
  struct Case {
    std::string a, b;
    int order;
  };
  const Case cases[] = {
      {"Setup Only.", "SETUP ONLY.", 0},
      {"\x82\x81\x82\x82", "\x82\x60\x82\x61", 0},  // full-width ab, AB
      {"\x83\x61", "\x83\x41", 1},                  // different characters with trails 'a', 'A'
      {"abc", "ABD", -1},
      {"ab", "a", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(win::CompareNoCase(c.a, c.b), c.order) << c.a << " " << c.b;
}

class CodePageRegistryTest : public testing_support::ScratchRootTest {};

TEST_F(CodePageRegistryTest, ReadFromTheRegistryOfTheRoot) {
  EXPECT_EQ(win::GetACP(), 932u);
  struct Case {
    std::string value;
    UINT codePage;
  };
  const Case cases[] = {{"1252", 1252}, {"65001", 65001}, {"932", 932}, {"437", 932}, {"x", 932}};
  for (const Case& c : cases) {
    win::RegKey key;
    ASSERT_EQ(win::RegKey::Create(win::HKEY::LocalMachine,
                                  "System\\CurrentControlSet\\Control\\Nls\\CodePage", key),
              0u);
    ASSERT_EQ(key.SetString("ACP", c.value), 0u);
    win::UseSystemRoot(root_.path());  // the value is read once per root
    EXPECT_EQ(win::GetACP(), c.codePage) << c.value;
  }
  {
    CodePage active(1252);
    EXPECT_EQ(win::GetACP(), 1252u);
  }
  EXPECT_EQ(win::GetACP(), 932u);
}

}  // namespace
