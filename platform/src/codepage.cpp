// The active code page, lead bytes and the locale mappings.
#include "platform/codepage.h"

#include <atomic>
#include <charconv>

#include "codepage_internal.h"
#include "platform/registry.h"
#include "platform/root.h"

namespace win {

namespace {

constexpr UINT kDefaultCodePage = 932;

bool IsSupported(UINT codePage) {
  return codePage == 932 || codePage == 1252 || codePage == CP_UTF8;
}

std::atomic<UINT> overrideCodePage{0};
std::atomic<UINT> cachedCodePage{0};  // 0 until read from the current root's registry
// Set while this thread reads the registry: conversions inside that read use the default.
thread_local bool readingCodePage = false;

[[maybe_unused]] const bool dropCacheOnRootChange = [] {
  OnSystemRootChange([] { cachedCodePage.store(0); });
  return true;
}();

UINT ParseCodePage(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  UINT value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  bool whole = error == std::errc() && end == text.data() + text.size();
  return whole && IsSupported(value) ? value : kDefaultCodePage;
}

UINT ReadCodePage() {
  readingCodePage = true;
  UINT codePage = kDefaultCodePage;
  RegKey key;
  std::string text;
  if (RegKey::Open(HKEY::LocalMachine, "System\\CurrentControlSet\\Control\\Nls\\CodePage", key) ==
          ERROR_SUCCESS &&
      key.QueryString("ACP", text) == ERROR_SUCCESS)
    codePage = ParseCodePage(text);
  readingCodePage = false;
  return codePage;
}

unsigned char UpperAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 0x20 : c; }

// The upper-case letter of a code point, for the letters the mappings cover.
char32_t UpperCode(char32_t c) {
  if (c < 0x80) return UpperAscii(static_cast<unsigned char>(c));
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // Latin-1
  if (c == 0xFF) return 0x178;
  if (c == 0x161 || c == 0x153 || c == 0x17E) return c - 1;  // the other letters of 1252
  if (c == 0x3C2) return 0x3A3;                              // final sigma
  if (c >= 0x3B1 && c <= 0x3C9) return c - 0x20;             // Greek
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;             // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;  // full-width Latin
  return c;
}

unsigned UpperDoubleByte932(unsigned code) {
  if (code >= 0x8281 && code <= 0x829A) return code - 0x21;  // full-width Latin
  if (code >= 0x83BF && code <= 0x83D6) return code - 0x20;  // Greek
  if (code >= 0x8470 && code <= 0x847E) return code - 0x30;  // Cyrillic, before the gap at 0x7F
  if (code >= 0x8480 && code <= 0x8491) return code - 0x31;
  return code;
}

unsigned char UpperByte1252(unsigned char b) {
  if (b < 0x80) return UpperAscii(b);
  if ((b >= 0xE0 && b <= 0xFE && b != 0xF7)) return b - 0x20;
  if (b == 0x9A || b == 0x9C || b == 0x9E) return b - 0x10;
  return b == 0xFF ? 0x9F : b;
}

std::string UpperCase932(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(out[i]);
    if (IsDBCSLeadByteEx(932, b) && i + 1 < out.size()) {
      unsigned code = UpperDoubleByte932(b << 8 | static_cast<unsigned char>(out[i + 1]));
      out[i] = static_cast<char>(code >> 8);
      out[++i] = static_cast<char>(code & 0xFF);
    } else {
      out[i] = static_cast<char>(UpperAscii(b));
    }
  }
  return out;
}

std::string UpperCaseUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    codepage::Utf8Char ch = codepage::DecodeUtf8(s, i);
    if (ch.valid)
      codepage::AppendUtf8(out, UpperCode(ch.code));
    else
      out.push_back(s[i]);
    i += ch.length;
  }
  return out;
}

// Half-width katakana U+FF61-U+FF9F and their full-width forms.
constexpr char16_t kFullKatakana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};
constexpr char32_t kVoicedMark = 0xFF9E, kSemiVoicedMark = 0xFF9F;

bool IsHalfWidthKatakana(char32_t c) { return c >= 0xFF61 && c <= 0xFF9F; }

// The full-width form of c; a voiced or semi-voiced mark in next is combined with a kana that has
// such a form, and *combined is set.
char32_t FullWidthCode(char32_t c, char32_t next, bool* combined) {
  *combined = false;
  if (c == ' ') return 0x3000;
  if (c > ' ' && c < 0x7F) return 0xFF01 + (c - '!');
  if (!IsHalfWidthKatakana(c)) return c;
  char32_t full = kFullKatakana[c - 0xFF61];
  bool voicable = (c >= 0xFF76 && c <= 0xFF84) || (c >= 0xFF8A && c <= 0xFF8E);  // ka-to, ha-ho
  bool semiVoicable = c >= 0xFF8A && c <= 0xFF8E;
  if (next == kVoicedMark && (voicable || c == 0xFF73)) {
    *combined = true;
    return c == 0xFF73 ? 0x30F4 : full + 1;  // u + voiced mark is vu
  }
  if (next == kSemiVoicedMark && semiVoicable) {
    *combined = true;
    return full + 2;
  }
  return full;
}

// One character of s at i in the code page: its code point (0 when it is no character) and length.
std::pair<char32_t, size_t> CharAt(UINT codePage, std::string_view s, size_t i) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  if (codePage == CP_UTF8) {
    codepage::Utf8Char ch = codepage::DecodeUtf8(s, i);
    return {ch.valid ? ch.code : 0, ch.length};
  }
  if (b < 0x80) return {b, 1};
  if (codePage == 932 && b >= 0xA1 && b <= 0xDF) return {0xFF61 + (b - 0xA1), 1};
  if (IsDBCSLeadByteEx(codePage, b) && i + 1 < s.size()) return {0, 2};
  return {0, 1};  // mapped characters are never other bytes
}

}  // namespace

UINT GetACP() {
  if (UINT forced = overrideCodePage.load()) return forced;
  if (readingCodePage) return kDefaultCodePage;
  UINT codePage = cachedCodePage.load();
  if (codePage == 0) {
    codePage = ReadCodePage();
    cachedCodePage.store(codePage);
  }
  return codePage;
}

void SetACPOverride(UINT codePage) { overrideCodePage.store(IsSupported(codePage) ? codePage : 0); }

bool IsDBCSLeadByteEx(UINT codePage, unsigned char c) {
  return codePage == 932 && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
}

bool IsDBCSLeadByte(unsigned char c) { return IsDBCSLeadByteEx(GetACP(), c); }

std::string MapUpperCase(std::string_view ansi) {
  switch (GetACP()) {
    case 932:
      return UpperCase932(ansi);
    case CP_UTF8:
      return UpperCaseUtf8(ansi);
    default: {
      std::string out(ansi);
      for (char& c : out) c = static_cast<char>(UpperByte1252(static_cast<unsigned char>(c)));
      return out;
    }
  }
}

std::string MapFullWidth(std::string_view ansi) {
  const UINT codePage = GetACP();
  std::string out;
  out.reserve(ansi.size() * 2);
  for (size_t i = 0; i < ansi.size();) {
    auto [code, length] = CharAt(codePage, ansi, i);
    char32_t next = i + length < ansi.size() ? CharAt(codePage, ansi, i + length).first : 0;
    bool combined = false;
    char32_t full = code ? FullWidthCode(code, next, &combined) : 0;
    bool exact = full != code;
    std::string mapped = exact ? codepage::EncodeAnsi(codePage, {&full, 1}, &exact) : "";
    if (exact) {
      out += mapped;
      i += length + (combined ? CharAt(codePage, ansi, i + length).second : 0);
    } else {
      out.append(ansi.substr(i, length));
      i += length;
    }
  }
  return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  int order = MapUpperCase(a).compare(MapUpperCase(b));
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

}  // namespace win
