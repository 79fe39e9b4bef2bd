#include "registry_file.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstdio>

namespace win::regfile {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::string_view kTimeTag = "#time=";
constexpr DWORD kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7;
// Seconds from 1601-01-01 (FILETIME's epoch) to 1970-01-01.
constexpr std::int64_t kEpochDelta = 11644473600;

// ---- names
// ---------------------------------------------------------------------------------------

locale_t UnicodeCtype() {
  static const locale_t ctype = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return ctype;
}

char16_t UpperCase(char16_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;  // halves of a surrogate pair stay as they are
  locale_t ctype = UnicodeCtype();
  if (!ctype) return c;
  wint_t upper = towupper_l(c, ctype);
  return upper >= 0x80 && upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
}

// ---- escapes
// -------------------------------------------------------------------------------------

bool IsHexDigit(char16_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsOctalDigit(char16_t c) { return c >= '0' && c <= '7'; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Appends s as Wine writes strings: characters above 127 as \x, control characters as C or octal
// escapes, and a backslash before "\" and before each of the two characters in specials.
void AppendEscaped(std::string& out, std::u16string_view s, std::string_view specials) {
  static constexpr std::string_view kControlEscapes = ".......abtnvfr.............e....";
  char buffer[16];
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    bool hasNext = i + 1 < s.size();
    if (c > 127) {
      bool nextIsHex = hasNext && s[i + 1] < 128 && IsHexDigit(s[i + 1]);
      std::snprintf(buffer, sizeof buffer, nextIsHex ? "\\x%04x" : "\\x%x", unsigned{c});
      out += buffer;
    } else if (c < 32) {
      if (kControlEscapes[c] != '.') {
        out += '\\';
        out += kControlEscapes[c];
      } else {
        bool nextIsOctal = hasNext && IsOctalDigit(s[i + 1]);
        std::snprintf(buffer, sizeof buffer, nextIsOctal ? "\\%03o" : "\\%o", unsigned{c});
        out += buffer;
      }
    } else {
      if (c == '\\' || specials.find(static_cast<char>(c)) != std::string_view::npos) out += '\\';
      out += static_cast<char>(c);
    }
  }
}

void AppendCodePoint(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

// Decodes one UTF-8 sequence at text[pos]; a byte that starts no valid sequence stands for itself.
void DecodeUtf8(std::string_view text, size_t& pos, std::u16string& out) {
  unsigned char lead = text[pos];
  int length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
  if (length > 1 && lead < 0xF5 && pos + length <= text.size()) {
    char32_t cp = lead & (0x3F >> (length - 1));
    bool valid = true;
    for (int k = 1; k < length && valid; ++k) {
      unsigned char trail = text[pos + k];
      valid = (trail & 0xC0) == 0x80;
      cp = (cp << 6) | (trail & 0x3F);
    }
    bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (valid && !overlong && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
      AppendCodePoint(out, cp);
      pos += length;
      return;
    }
  }
  out += static_cast<char16_t>(lead);
  ++pos;
}

// Reads an escaped string from text[pos] up to the unescaped terminator, leaving pos after it.
// False when the line ends first.
bool ReadEscaped(std::string_view text, size_t& pos, char terminator, std::u16string& out) {
  static constexpr std::string_view kEscapeLetters = "abtnvfre";
  static constexpr std::u16string_view kEscapeCodes = u"\a\b\t\n\v\f\r\x1b";
  while (pos < text.size()) {
    char c = text[pos];
    if (c == terminator) {
      ++pos;
      return true;
    }
    if (c == '\n') return false;
    if (c != '\\') {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += static_cast<char16_t>(c);
        ++pos;
      } else {
        DecodeUtf8(text, pos, out);
      }
      continue;
    }
    if (++pos >= text.size() || text[pos] == '\n') return false;
    c = text[pos];
    if (c == 'x') {
      unsigned code = 0;
      int digits = 0;
      for (++pos; digits < 4 && pos < text.size() && HexValue(text[pos]) >= 0; ++pos, ++digits)
        code = code * 16 + HexValue(text[pos]);
      out += digits ? static_cast<char16_t>(code) : u'x';
    } else if (IsOctalDigit(c)) {
      unsigned code = 0;
      for (int digits = 0; digits < 3 && pos < text.size() && IsOctalDigit(text[pos]); ++digits)
        code = code * 8 + (text[pos++] - '0');
      out += static_cast<char16_t>(code);
    } else if (size_t k = kEscapeLetters.find(c); k != std::string_view::npos) {
      out += kEscapeCodes[k];
      ++pos;
    } else {
      out += static_cast<char16_t>(static_cast<unsigned char>(c));
      ++pos;
    }
  }
  return false;
}

bool RestIsBlank(std::string_view text, size_t pos) {
  return text.find_first_not_of(" \t", pos) == std::string_view::npos;
}

// ---- values
// --------------------------------------------------------------------------------------

std::vector<std::uint8_t> Utf16Bytes(std::u16string_view s) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(s.size() * 2);
  for (char16_t c : s) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

// Reads a type number written in hex between "(" and "):" at text[pos].
bool ReadTypeNumber(std::string_view text, size_t& pos, DWORD& type) {
  size_t close = text.find("):", pos);
  if (text.substr(pos, 1) != "(" || close == std::string_view::npos || close == pos + 1 ||
      close - pos > 9)
    return false;
  type = 0;
  for (size_t i = pos + 1; i < close; ++i) {
    int digit = HexValue(text[i]);
    if (digit < 0) return false;
    type = type * 16 + digit;
  }
  pos = close + 2;
  return true;
}

// Bytes written as "01,02,\<newline>  03": hex pairs separated by commas, lines continued by "\".
bool ReadHexBytes(std::string_view text, size_t pos, std::vector<std::uint8_t>& bytes) {
  auto skipBlanks = [&] {
    while (pos < text.size()) {
      if (text[pos] == ' ' || text[pos] == '\t') {
        ++pos;
      } else if (text[pos] == '\\' && pos + 1 < text.size() && text[pos + 1] == '\n') {
        pos += 2;
      } else {
        break;
      }
    }
  };
  skipBlanks();
  while (pos < text.size()) {
    int high = HexValue(text[pos]);
    if (high < 0) return false;
    int low = pos + 1 < text.size() ? HexValue(text[pos + 1]) : -1;
    bytes.push_back(static_cast<std::uint8_t>(low < 0 ? high : high * 16 + low));
    pos += low < 0 ? 1 : 2;
    skipBlanks();
    if (pos == text.size()) break;
    if (text[pos] != ',') return false;
    ++pos;
    skipBlanks();
  }
  return true;
}

bool ReadData(std::string_view text, size_t pos, Value& value) {
  std::string_view rest = text.substr(pos);
  bool isString = rest.starts_with('"');
  value.type = kRegSz;
  if (rest.starts_with("str:\"")) {
    pos += 4;
    isString = true;
  } else if (rest.starts_with("str(")) {
    pos += 3;
    if (!ReadTypeNumber(text, pos, value.type) || text.substr(pos, 1) != "\"") return false;
    isString = true;
  }
  if (isString) {
    std::u16string s;
    ++pos;
    if (!ReadEscaped(text, pos, '"', s) || !RestIsBlank(text, pos)) return false;
    s += u'\0';
    value.data = Utf16Bytes(s);
    return true;
  }
  if (rest.starts_with("dword:")) {
    pos += 6;
    size_t end = pos;
    DWORD number = 0;
    for (; end < text.size() && end - pos < 8 && HexValue(text[end]) >= 0; ++end)
      number = number * 16 + HexValue(text[end]);
    if (end == pos || !RestIsBlank(text, end)) return false;
    value.type = kRegDword;
    value.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                  static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    return true;
  }
  if (rest.starts_with("hex:")) {
    value.type = kRegBinary;
    return ReadHexBytes(text, pos + 4, value.data);
  }
  if (rest.starts_with("hex(")) {
    pos += 3;
    return ReadTypeNumber(text, pos, value.type) && ReadHexBytes(text, pos, value.data);
  }
  return false;
}

// A value line: @=DATA or "name"=DATA, possibly continued over several lines.
bool ParseValue(std::string_view text, Value& value) {
  size_t pos = 0;
  if (text.starts_with("@=")) {
    pos = 2;
  } else if (text.starts_with('"')) {
    pos = 1;
    if (!ReadEscaped(text, pos, '"', value.name) || text.substr(pos, 1) != "=") return false;
    ++pos;
  } else {
    return false;
  }
  return ReadData(text, pos, value);
}

// ---- keys
// ----------------------------------------------------------------------------------------

std::string TimeLine(Clock::time_point now) {
  auto ticks =
      std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count() / 100 +
      kEpochDelta * 10'000'000;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "#time=%llx", static_cast<unsigned long long>(ticks));
  return buffer;
}

Entry TextEntry(std::string text) {
  Entry entry;
  entry.text = std::move(text);
  return entry;
}

Entry ValueEntry(std::string text, Value value) {
  Entry entry;
  entry.text = std::move(text);
  entry.isValue = true;
  entry.folded = Fold(value.name);
  entry.value = std::move(value);
  return entry;
}

bool IsTimeLine(const Entry& e) { return !e.isValue && e.text.starts_with(kTimeTag); }

void Touch(Key& key, Clock::time_point now) {
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
  key.stamp = " " + std::to_string(seconds);
  auto it = std::find_if(key.entries.begin(), key.entries.end(), IsTimeLine);
  if (it != key.entries.end()) {
    it->text = TimeLine(now);
  } else {
    key.entries.insert(key.entries.begin(), TextEntry(TimeLine(now)));
  }
}

Key& AddChild(Key& parent, std::u16string_view name) {
  auto& slot = parent.subkeys[Fold(name)];
  if (!slot) {
    slot = std::make_unique<Key>();
    slot->name = name;
    slot->parent = &parent;
  }
  return *slot;
}

// A key's section is written when the file had one, when it holds anything besides its time, or
// when it is a leaf (otherwise its subkeys' sections create it).
bool WritesSection(const Key& key) {
  if (key.hasSection) return true;
  if (std::any_of(key.entries.begin(), key.entries.end(),
                  [](const Entry& e) { return !IsTimeLine(e); }))
    return true;
  return key.parent && key.subkeys.empty();
}

void AppendPath(std::string& out, const Key& key) {
  if (!key.parent) return;
  if (key.parent->parent) {
    AppendPath(out, *key.parent);
    out += "\\\\";
  }
  AppendEscaped(out, key.name, "[]");
}

void SerializeKey(const Key& key, std::string& out) {
  if (WritesSection(key)) {
    out += "\n[";
    if (key.hasSection) {
      out += key.rawPath;
    } else {
      AppendPath(out, key);
    }
    out += ']';
    out += key.stamp;
    out += '\n';
    for (const Entry& e : key.entries) {
      out += e.text;
      out += '\n';
    }
  }
  for (const auto& [folded, child] : key.subkeys) SerializeKey(*child, out);
}

// A section line "[path] stamp": gives the key it names, created with its parents when missing.
Key* ReadSectionLine(std::string_view line, Hive& hive) {
  size_t pos = 1;
  std::u16string path;
  if (!ReadEscaped(line, pos, ']', path)) return nullptr;
  Key* key = &hive.root;
  for (size_t start = 0; start <= path.size();) {
    size_t end = std::min(path.find(u'\\', start), path.size());
    if (end > start) key = &AddChild(*key, std::u16string_view(path).substr(start, end - start));
    start = end + 1;
  }
  if (!key->hasSection) {
    key->hasSection = true;
    key->rawPath = line.substr(1, pos - 2);
    key->stamp = line.substr(pos);
  }
  return key;
}

// Adds an entry to the key's own lines: before the lines that a broken section line took, which
// would otherwise take it too when the file is read again.
void AddOwnEntry(Key& key, Entry entry) {
  auto end = std::find_if(key.entries.begin(), key.entries.end(),
                          [](const Entry& e) { return e.brokenSection; });
  key.entries.insert(end, std::move(entry));
}

void AddValueEntry(Key& key, std::string text, Value value) {
  Entry entry = ValueEntry(std::move(text), std::move(value));
  // A name given twice: the later line wins, as when Wine loads the file.
  for (Entry& e : key.entries) {
    if (e.isValue && e.folded == entry.folded) {
      e = std::move(entry);
      return;
    }
  }
  AddOwnEntry(key, std::move(entry));
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

bool IsBlank(std::string_view line) { return RestIsBlank(line, 0); }

}  // namespace

std::u16string Fold(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = UpperCase(c);
  return folded;
}

Key* Key::Child(std::u16string_view name) const {
  auto it = subkeys.find(Fold(name));
  return it == subkeys.end() ? nullptr : it->second.get();
}

const Entry* Key::FindValue(std::u16string_view name) const {
  std::u16string folded = Fold(name);
  for (const Entry& e : entries)
    if (e.isValue && e.folded == folded) return &e;
  return nullptr;
}

bool Key::IsLink() const {
  return std::any_of(entries.begin(), entries.end(),
                     [](const Entry& e) { return !e.isValue && e.text == "#link"; });
}

bool Parse(std::string_view text, Hive& hive) {
  std::vector<std::string_view> lines = SplitLines(text);
  if (lines.empty() || lines[0] != kHeader) return false;
  hive = Hive{};
  Key* current = nullptr;
  bool orphaned = false;  // after a section line that does not parse: its lines are kept as text
  auto keep = [&](std::string_view line) {
    if (current && orphaned) {
      current->entries.push_back(TextEntry(std::string(line)));
    } else if (current) {
      AddOwnEntry(*current, TextEntry(std::string(line)));
    } else {
      hive.preamble.emplace_back(line);
    }
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (line.starts_with('[')) {
      Key* key = ReadSectionLine(line, hive);
      orphaned = !key;
      if (key) {
        current = key;
      } else {
        keep(line);
        if (current) current->entries.back().brokenSection = true;
      }
    } else if (!current) {
      hive.preamble.emplace_back(line);
    } else if (IsBlank(line)) {
      // blank lines only separate sections; they are written again before each one
    } else if (!orphaned && (line.starts_with('"') || line.starts_with('@'))) {
      size_t last = i;
      while (lines[last].ends_with('\\') && last + 1 < lines.size() &&
             (lines[last + 1].starts_with(' ') || lines[last + 1].starts_with('\t')))
        ++last;
      std::string whole(line);
      for (size_t k = i + 1; k <= last; ++k) (whole += '\n') += lines[k];
      Value value;
      if (ParseValue(whole, value)) {
        AddValueEntry(*current, std::move(whole), std::move(value));
      } else {
        keep(whole);
      }
      i = last;
    } else {
      keep(line);
    }
  }
  while (!hive.preamble.empty() && IsBlank(hive.preamble.back())) hive.preamble.pop_back();
  return true;
}

std::string Serialize(const Hive& hive) {
  std::string out;
  for (const std::string& line : hive.preamble) {
    out += line;
    out += '\n';
  }
  SerializeKey(hive.root, out);
  return out;
}

void InitHive(Hive& hive, std::string_view base) {
  hive = Hive{};
  hive.preamble = {std::string(kHeader), ";; All keys relative to " + std::string(base), "",
                   "#arch=win32"};
}

std::string FormatValue(const Value& value) {
  std::string out;
  if (value.name.empty()) {
    out = "@=";
  } else {
    out = "\"";
    AppendEscaped(out, value.name, "\"\"");
    out += "\"=";
  }
  const std::vector<std::uint8_t>& data = value.data;
  bool isStringType =
      value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz;
  if (isStringType && data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 2] == 0 &&
      data.back() == 0) {
    std::u16string s;
    for (size_t i = 0; i + 2 < data.size(); i += 2)
      s += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    char prefix[24] = "";
    if (value.type != kRegSz)
      std::snprintf(prefix, sizeof prefix, "str(%x):", unsigned{value.type});
    (out += prefix) += '"';
    AppendEscaped(out, s, "\"\"");
    out += '"';
    return out;
  }
  char buffer[24];
  if (value.type == kRegDword && data.size() == 4) {
    std::snprintf(buffer, sizeof buffer, "dword:%08x",
                  unsigned(data[0] | data[1] << 8 | data[2] << 16 | unsigned{data[3]} << 24));
    return out + buffer;
  }
  if (value.type == kRegBinary) {
    out += "hex:";
  } else {
    std::snprintf(buffer, sizeof buffer, "hex(%x):", unsigned{value.type});
    out += buffer;
  }
  // Lines wrap as Wine wraps them: after the comma that takes the line past 76 characters.
  size_t count = out.size();
  for (size_t i = 0; i < data.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%02x", unsigned{data[i]});
    out += buffer;
    count += 2;
    if (i + 1 < data.size()) {
      out += ',';
      if (++count > 76) {
        out += "\\\n  ";
        count = 2;
      }
    }
  }
  return out;
}

bool SetValue(Key& key, const Value& value, Clock::time_point now) {
  std::u16string folded = Fold(value.name);
  auto it = std::find_if(key.entries.begin(), key.entries.end(),
                         [&](const Entry& e) { return e.isValue && e.folded == folded; });
  if (it != key.entries.end()) {
    if (it->value.type == value.type && it->value.data == value.data) return false;
    it->value.type = value.type;
    it->value.data = value.data;
    it->text = FormatValue(it->value);  // the name keeps the case it was created with
  } else {
    AddOwnEntry(key, ValueEntry(FormatValue(value), value));
  }
  Touch(key, now);
  return true;
}

bool DeleteValue(Key& key, std::u16string_view name, Clock::time_point now) {
  std::u16string folded = Fold(name);
  auto it = std::find_if(key.entries.begin(), key.entries.end(),
                         [&](const Entry& e) { return e.isValue && e.folded == folded; });
  if (it == key.entries.end()) return false;
  key.entries.erase(it);
  Touch(key, now);
  return true;
}

Key& CreateChild(Key& parent, std::u16string_view name, Clock::time_point now) {
  if (Key* existing = parent.Child(name)) return *existing;
  Key& child = AddChild(parent, name);
  Touch(child, now);
  Touch(parent, now);
  return child;
}

void DeleteChild(Key& parent, std::u16string_view name, Clock::time_point now) {
  if (parent.subkeys.erase(Fold(name))) Touch(parent, now);
}

}  // namespace win::regfile
