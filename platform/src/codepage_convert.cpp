// Conversions between ANSI, UTF-8 and UTF-16. The ANSI code pages 932 and 1252 go through iconv;
// UTF-8 and UTF-16 are decoded here, so that every invalid sequence has one defined replacement.
#include <errno.h>
#include <iconv.h>

#include <algorithm>

#include "codepage_internal.h"

namespace win {

namespace codepage {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kKatakanaMiddleDot = 0x30FB;  // Windows' default character of 932

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Single bytes that Windows gives private or control code points where iconv has none.
char32_t ExtraByteCode(UINT codePage, unsigned char b) {
  if (codePage == 932) {
    if (b == 0x80) return 0x80;
    if (b == 0xA0) return 0xF8F0;
    if (b >= 0xFD) return 0xF8F1 + (b - 0xFD);
  } else if (codePage == 1252) {
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) return b;
  }
  return 0;
}

int ExtraCodeByte(UINT codePage, char32_t c) {
  for (int b = 0x80; b <= 0xFF; ++b)
    if (ExtraByteCode(codePage, static_cast<unsigned char>(b)) == c) return b;
  return -1;
}

bool IsTrailByte932(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// iconv keeps shift state and must not be shared between threads: one descriptor per thread and
// direction.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (cd_ != kInvalid) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  iconv_t get() const { return cd_; }

 private:
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  iconv_t cd_;
};

iconv_t Converter(UINT codePage, bool toUnicode) {
  thread_local Iconv decode932("UTF-32LE", "CP932"), encode932("CP932", "UTF-32LE");
  thread_local Iconv decode1252("UTF-32LE", "CP1252"), encode1252("CP1252", "UTF-32LE");
  if (codePage == 1252) return toUnicode ? decode1252.get() : encode1252.get();
  return toUnicode ? decode932.get() : encode932.get();
}

// Feeds in through cd. Where cd stops at bytes it cannot convert, onError appends a replacement to
// out and returns how many bytes to skip (at least one), and the conversion goes on after them.
template <class OnError>
void RunIconv(iconv_t cd, std::string_view in, std::string& out, OnError onError) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
    size_t skip = std::clamp<size_t>(onError(std::string_view(inPtr, inLeft), out), 1, inLeft);
    inPtr += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
}

void AppendUtf32LE(std::string& out, char32_t c) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((c >> shift) & 0xFF));
}

char32_t ReadUtf32LE(std::string_view bytes) {
  char32_t c = 0;
  for (size_t i = 0; i < 4 && i < bytes.size(); ++i)
    c |= static_cast<char32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  return c;
}

std::u32string FromUtf32LE(std::string_view bytes) {
  std::u32string text;
  text.reserve(bytes.size() / 4);
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) text.push_back(ReadUtf32LE(bytes.substr(i, 4)));
  return text;
}

std::u32string DecodeUtf8All(std::string_view s, bool* valid = nullptr) {
  std::u32string text;
  text.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    Utf8Char ch = DecodeUtf8(s, i);
    if (!ch.valid && valid) *valid = false;
    text.push_back(ch.code);
    i += ch.length;
  }
  return text;
}

std::string EncodeUtf8All(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) AppendUtf8(out, c);
  return out;
}

std::u32string DecodeUtf16(std::u16string_view s) {
  std::u32string text;
  text.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    } else if (IsSurrogate(c)) {
      c = kReplacement;
    }
    text.push_back(c);
  }
  return text;
}

std::u16string EncodeUtf16(std::u32string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c > 0x10FFFF || IsSurrogate(c)) c = kReplacement;
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

// Code points that iconv would write as an ASCII character by similarity (in 932 U+00A5 as "\",
// U+203E as "~") or drop silently (the tag characters): these become '?' instead.
bool HasNoSafeAnsiForm(UINT codePage, char32_t c) {
  if (codePage == 932 && (c == 0xA5 || c == 0x203E)) return true;
  return (c >= 0xE0000 && c <= 0xE007F) || IsSurrogate(c) || c > 0x10FFFF;
}

}  // namespace

Utf8Char DecodeUtf8(std::string_view s, size_t i) {
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  if (lead < 0x80) return {lead, 1, true};
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || i + length > s.size()) return {kReplacement, 1, false};
  char32_t code = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    unsigned char b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return {kReplacement, 1, false};
    code = (code << 6) | (b & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || code > 0x10FFFF || IsSurrogate(code))
    return {kReplacement, 1, false};
  return {code, length, true};
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || IsSurrogate(c)) c = kReplacement;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::u32string DecodeAnsi(UINT codePage, std::string_view ansi) {
  if (codePage == CP_UTF8) return DecodeUtf8All(ansi);
  std::string utf32;
  utf32.reserve(ansi.size() * 4);
  RunIconv(Converter(codePage, true), ansi, utf32,
           [codePage](std::string_view rest, std::string& out) {
             const unsigned char b = static_cast<unsigned char>(rest[0]);
             if (char32_t extra = ExtraByteCode(codePage, b)) {
               AppendUtf32LE(out, extra);
               return size_t{1};
             }
             AppendUtf32LE(out, codePage == 932 ? kKatakanaMiddleDot : kReplacement);
             bool pair = codePage == 932 && IsDBCSLeadByteEx(932, b) && rest.size() >= 2 &&
                         IsTrailByte932(static_cast<unsigned char>(rest[1]));
             return size_t{pair ? 2u : 1u};
           });
  return FromUtf32LE(utf32);
}

std::string EncodeAnsi(UINT codePage, std::u32string_view text, bool* exact) {
  if (codePage == CP_UTF8) {
    auto unsafe = [](char32_t c) { return HasNoSafeAnsiForm(CP_UTF8, c); };
    if (exact && std::any_of(text.begin(), text.end(), unsafe)) *exact = false;
    return EncodeUtf8All(text);
  }
  std::string utf32;
  utf32.reserve(text.size() * 4);
  for (char32_t c : text) {
    if (HasNoSafeAnsiForm(codePage, c)) {
      c = '?';
      if (exact) *exact = false;
    }
    AppendUtf32LE(utf32, c);
  }
  std::string ansi;
  ansi.reserve(text.size() * 2);
  RunIconv(Converter(codePage, false), utf32, ansi,
           [codePage, exact](std::string_view rest, std::string& out) {
             int b = ExtraCodeByte(codePage, ReadUtf32LE(rest));
             if (b < 0 && exact) *exact = false;
             out.push_back(static_cast<char>(b < 0 ? '?' : b));
             return size_t{4};
           });
  return ansi;
}

}  // namespace codepage

using namespace codepage;

std::string AnsiToUtf8(std::string_view ansi) {
  if (IsAscii(ansi)) return std::string(ansi);
  return EncodeUtf8All(DecodeAnsi(GetACP(), ansi));
}

std::string Utf8ToAnsi(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return EncodeAnsi(GetACP(), DecodeUtf8All(utf8));
}

std::optional<std::string> Utf8ToAnsiExact(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  bool exact = true;
  std::u32string text = DecodeUtf8All(utf8, &exact);
  const UINT codePage = GetACP();
  std::string ansi = EncodeAnsi(codePage, text, &exact);
  // A character that iconv wrote in another character's bytes does not come back.
  if (!exact || DecodeAnsi(codePage, ansi) != text) return std::nullopt;
  return ansi;
}

std::u16string AnsiToUtf16(std::string_view ansi) {
  if (IsAscii(ansi)) return std::u16string(ansi.begin(), ansi.end());
  return EncodeUtf16(DecodeAnsi(GetACP(), ansi));
}

std::string Utf16ToAnsi(std::u16string_view utf16) {
  if (std::all_of(utf16.begin(), utf16.end(), [](char16_t c) { return c < 0x80; }))
    return std::string(utf16.begin(), utf16.end());
  return EncodeAnsi(GetACP(), DecodeUtf16(utf16));
}

std::u16string Utf8ToUtf16(std::string_view utf8) { return EncodeUtf16(DecodeUtf8All(utf8)); }

std::string Utf16ToUtf8(std::u16string_view utf16) { return EncodeUtf8All(DecodeUtf16(utf16)); }

}  // namespace win
