// yEnc-to-uuencode conversion of article answers, one line at a time.
#include "newsgate/Yenc.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace newsgate {

namespace {

constexpr std::string_view kCrLf = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// Without the characters up to and including space at both ends.
std::string_view Trim(std::string_view text) {
  auto low = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && low(text.front())) text.remove_prefix(1);
  while (!text.empty() && low(text.back())) text.remove_suffix(1);
  return text;
}

// A signed decimal number of 32 bits, or fallback.
std::int32_t DecimalOr(std::string_view text, std::int32_t fallback) {
  bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  if (text.empty()) return fallback;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return fallback;
    value = value * 10 + (c - '0');
    if (value > std::int64_t{1} << 31) return fallback;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return fallback;
  return static_cast<std::int32_t>(value);
}

// What a yEnc character asks of the decoder.
enum : unsigned char { kPlain = 0, kEscape = 1, kLineEnd = 2 };

constexpr std::array<unsigned char, 256> MakeClasses() {
  std::array<unsigned char, 256> classes{};
  classes['='] = kEscape;
  classes['\0'] = classes['\r'] = classes['\n'] = kLineEnd;
  return classes;
}
constexpr std::array<unsigned char, 256> kClass = MakeClasses();

constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kHighs = 0x8080808080808080;

// Eight characters at once: whether one of them is "=", NUL, CR or LF.
bool HasSpecial(std::uint64_t word) {
  auto hasZero = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  return hasZero(word) | hasZero(word ^ (kOnes * '=')) | hasZero(word ^ (kOnes * '\r')) |
         hasZero(word ^ (kOnes * '\n'));
}

// Each of eight characters minus 42, modulo 256: the high bit set first keeps borrows in the byte.
std::uint64_t MinusFortyTwo(std::uint64_t word) {
  return ((word | kHighs) - kOnes * 42) ^ (~word & kHighs);
}

// The uuencode character of each 6-bit value: a grave accent for 0.
constexpr char kUuChar[65] = "`!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";

// The two characters of each 12-bit value, half of a group of three bytes.
constexpr std::array<std::array<char, 2>, 4096> MakePairs() {
  std::array<std::array<char, 2>, 4096> pairs{};
  for (unsigned v = 0; v < 4096; ++v) pairs[v] = {kUuChar[v >> 6], kUuChar[v & 63]};
  return pairs;
}
constexpr std::array<std::array<char, 2>, 4096> kUuPair = MakePairs();

char* EncodeGroup(char* dst, unsigned b0, unsigned b1, unsigned b2) {
  unsigned group = b0 << 16 | b1 << 8 | b2;
  std::memcpy(dst, kUuPair[group >> 12].data(), 2);
  std::memcpy(dst + 2, kUuPair[group & 4095].data(), 2);
  return dst + 4;
}

// Writes the uuencoded line of n bytes (0 to 45) at dst and returns its end. Bytes past n in the
// last group count as 0.
char* UuEncodeTo(char* dst, const unsigned char* bytes, std::size_t n) {
  *dst++ = kUuChar[n];
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3) dst = EncodeGroup(dst, bytes[i], bytes[i + 1], bytes[i + 2]);
  if (i < n) dst = EncodeGroup(dst, bytes[i], i + 1 < n ? bytes[i + 1] : 0, 0);
  return dst;
}

}  // namespace

void TYencParams::Set(std::string_view key, std::string_view value) {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [&](const auto& item) { return SameText(item.first, key); });
  if (value.empty()) {
    if (it != items_.end()) items_.erase(it);
  } else if (it != items_.end()) {
    it->second.assign(value);
  } else {
    items_.emplace_back(std::string(key), std::string(value));
  }
}

std::string_view TYencParams::Value(std::string_view key) const {
  for (const auto& item : items_)
    if (SameText(item.first, key)) return item.second;
  return {};
}

bool IsYencBegin(std::string_view line) {
  return line.size() >= 7 && SameText(line.substr(0, 7), "=ybegin");
}

bool IsUuBegin(std::string_view line) {
  if (line.size() < 11 || !SameText(line.substr(0, 5), "begin") || !IsBlank(line[5])) return false;
  std::size_t i = 6;
  while (i < line.size() && IsBlank(line[i])) ++i;
  std::size_t digits = 0;
  while (i + digits < line.size() && line[i + digits] >= '0' && line[i + digits] <= '7') ++digits;
  i += digits;
  if (i >= line.size()) return false;
  if (!(digits == 3 && line[i] == ' ') && !(digits == 4 && IsBlank(line[i]))) return false;
  while (i < line.size() && IsBlank(line[i])) ++i;
  return i < line.size();
}

void ParseYencHeader(std::string_view line, TYencParams& params) {
  if (!line.starts_with("=ybegin") && !line.starts_with("=ypart")) return;
  std::size_t i = line.find_first_of(" \t");
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    std::size_t eq = line.find('=', i);
    if (eq == line.npos) return;
    // The value ends at the last blank before the next "=" that has a blank before it.
    std::size_t valueEnd = line.size();
    std::size_t lastBlank = line.npos;
    for (std::size_t j = eq + 1; j < line.size(); ++j) {
      if (IsBlank(line[j])) {
        lastBlank = j;
      } else if (line[j] == '=' && lastBlank != line.npos) {
        valueEnd = lastBlank;
        break;
      }
    }
    params.Set(Trim(line.substr(i, eq - i)), Trim(line.substr(eq + 1, valueEnd - eq - 1)));
    i = valueEnd;
  }
}

std::string UuEncodeLine(const unsigned char* bytes, std::size_t n) {
  std::string line(1 + (n + 2) / 3 * 4, '\0');
  UuEncodeTo(line.data(), bytes, n);
  return line;
}

void TYencConverter::Start(bool inBody) {
  phase_ = apText;
  InBody = inBody;
  partLineDue_ = false;
  DecodedCount = 0;
}

void TYencConverter::Feed(std::string_view line, std::string& out) {
  if (phase_ != apYenc) {
    if (TakeUnchanged(line))
      out.append(line).append(kCrLf);
    else
      BeginBlock(line);
    return;
  }
  if (partLineDue_) {
    TakePartLine(line, out);
    if (line.starts_with("=ypart")) return;
  }
  if (line.starts_with("=yend"))
    CloseBlock(out);
  else
    DecodeLine(line, out);
}

// Header lines are only watched for the empty line that ends the header.
bool TYencConverter::TakeUnchanged(std::string_view line) {
  if (phase_ == apYenc) return false;
  if (phase_ == apUuBlock) return true;
  if (!InBody) {
    InBody = line.empty();
  } else if (IsUuBegin(line)) {
    phase_ = apUuBlock;
  } else if (IsYencBegin(line)) {
    return false;
  }
  return true;
}

void TYencConverter::Finish(std::string& out) {
  if (phase_ != apYenc) return;
  if (partLineDue_) TakePartLine({}, out);
  CloseBlock(out);
}

// The "begin" line waits for the next line, which may say that this is not the first part.
void TYencConverter::BeginBlock(std::string_view line) {
  params_ = TYencParams();
  ParseYencHeader(line, params_);
  header_.assign("begin 644 ").append(params_.Value("name"));
  size_.assign(params_.Value("size"));
  UuTrailer = true;
  DecodedCount = 0;
  partLineDue_ = true;
  phase_ = apYenc;
}

// A "=ypart" line right after "=ybegin" tells which part this is, its values added to those of
// "=ybegin"; then the "begin" line goes out for a single or first part.
void TYencConverter::TakePartLine(std::string_view line, std::string& out) {
  partLineDue_ = false;
  if (line.starts_with("=ypart")) {
    ParseYencHeader(line, params_);
    if (DecimalOr(params_.Value("part"), -1) != 1) header_.clear();
    if (params_.Value("end") != size_) UuTrailer = false;
  }
  if (!header_.empty()) out.append(header_).append(kCrLf);
}

// Decodes in rounds of at most kDecodedSize bytes, each followed by the uuencoded lines of every
// complete 45 bytes. A NUL, CR or LF ends the line; an "=" with nothing after it yields nothing.
void TYencConverter::DecodeLine(std::string_view line, std::string& out) {
  const auto* in = reinterpret_cast<const unsigned char*>(line.data());
  const unsigned char* end = in + line.size();
  if (in < end && *in == '.') ++in;  // the server's dot-stuffing
  bool ended = false;
  while (in < end && !ended) {
    // Every byte written consumes at least one character before stop.
    const unsigned char* stop = in + std::min<std::size_t>(end - in, kDecodedSize - DecodedCount);
    unsigned char* dst = Decoded + DecodedCount;
    while (in < stop) {
      std::uint64_t word;
      if (stop - in >= 8 && (std::memcpy(&word, in, 8), !HasSpecial(word))) {
        word = MinusFortyTwo(word);
        std::memcpy(dst, &word, 8);
        in += 8;
        dst += 8;
        continue;
      }
      unsigned c = *in++;
      if (kClass[c] != kPlain) {
        if (kClass[c] == kLineEnd || in == end || kClass[*in] == kLineEnd) {
          ended = true;
          break;
        }
        c = *in++ - 64u;
      }
      *dst++ = static_cast<unsigned char>(c - 42u);
    }
    DecodedCount = static_cast<std::size_t>(dst - Decoded);
    EncodeFullLines(out);
  }
}

// Sends every complete 45 bytes and keeps the rest for the next line.
void TYencConverter::EncodeFullLines(std::string& out) {
  std::size_t lines = DecodedCount / kLineBytes;
  if (lines == 0) return;
  std::size_t start = out.size();
  out.resize(start + lines * kEncodedLineSize);
  char* dst = out.data() + start;
  const unsigned char* src = Decoded;
  for (std::size_t i = 0; i < lines; ++i, src += kLineBytes) {
    dst = UuEncodeTo(dst, src, kLineBytes);
    *dst++ = '\r';
    *dst++ = '\n';
  }
  DecodedCount -= lines * kLineBytes;
  std::memmove(Decoded, src, DecodedCount);
}

// The line of the remaining bytes, when any remain, and for a single or last part the end lines.
// A second grave-accent line would make decoders miss the "end" line, and one between parts
// would end the data early.
void TYencConverter::CloseBlock(std::string& out) {
  if (DecodedCount > 0) {
    std::string line = UuEncodeLine(Decoded, DecodedCount);
    if (line.front() == '.') out.push_back('.');
    out.append(line).append(kCrLf);
    DecodedCount = 0;
  }
  if (UuTrailer) out.append("`").append(kCrLf).append("end").append(kCrLf);
  phase_ = apText;
}

}  // namespace newsgate
