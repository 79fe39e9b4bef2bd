// winroot reg: query, add and delete keys and values in reg.exe's syntax and output layout.
#include <cstdio>
#include <optional>
#include <ostream>

#include "commands_impl.h"
#include "platform/codepage.h"
#include "platform/registry.h"

namespace winroot {

namespace {

using win::DWORD;
using win::HKEY;

constexpr DWORD kRegQword = 11;
constexpr std::string_view kNotFound =
    "The system was unable to find the specified registry key or value.";

struct KeyName {
  HKEY root;
  std::string rootName;  // spelled in full, as reg.exe prints it
  std::string subkey;    // ANSI
  std::string shown;     // as typed after the root (UTF-8), for output
};

struct Options {
  std::string verb;
  std::string key;
  std::optional<std::string> value;  // /v NAME; /ve gives ""
  std::optional<std::string> type;
  std::optional<std::string> data;
  std::string separator = "\\0";  // between the strings of REG_MULTI_SZ data
};

struct Failure {
  std::string message;
};

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

KeyName ParseKey(const std::string& text) {
  static const struct {
    std::string_view shortName, longName;
    HKEY root;
  } roots[] = {{"HKLM", "HKEY_LOCAL_MACHINE", HKEY::LocalMachine},
               {"HKCU", "HKEY_CURRENT_USER", HKEY::CurrentUser},
               {"HKCR", "HKEY_CLASSES_ROOT", HKEY::ClassesRoot},
               {"HKU", "HKEY_USERS", HKEY::Users}};
  size_t slash = text.find('\\');
  std::string root = Upper(text.substr(0, slash));
  for (const auto& r : roots) {
    if (root != r.shortName && root != r.longName) continue;
    KeyName name{r.root, std::string(r.longName), "", ""};
    if (slash != std::string::npos) {
      name.shown = text.substr(slash + 1);
      while (!name.shown.empty() && name.shown.back() == '\\') name.shown.pop_back();
      name.subkey = win::Utf8ToAnsi(name.shown);
    }
    return name;
  }
  throw Failure{"Invalid key name \"" + text + "\"."};
}

Options ParseOptions(const Args& args) {
  if (args.size() < 2) throw Failure{"Invalid syntax: a verb and a key are needed."};
  Options o;
  o.verb = Upper(args[0]);
  o.key = args[1];
  for (size_t i = 2; i < args.size(); ++i) {
    std::string flag = Upper(args[i]);
    if (flag.starts_with('-')) flag[0] = '/';
    auto next = [&]() -> std::string {
      if (i + 1 >= args.size()) throw Failure{"Invalid syntax: " + args[i] + " needs a value."};
      return args[++i];
    };
    if (flag == "/V") {
      o.value = next();
    } else if (flag == "/VE") {
      o.value = "";
    } else if (flag == "/T" && o.verb == "ADD") {
      o.type = Upper(next());
    } else if (flag == "/D" && o.verb == "ADD") {
      o.data = next();
    } else if (flag == "/S" && o.verb == "ADD") {
      o.separator = next();
    } else if (flag == "/F") {
      // reg.exe asks before overwriting or deleting unless /f is given; winroot never asks
    } else {
      throw Failure{"Invalid syntax: unknown option \"" + args[i] + "\"."};
    }
  }
  return o;
}

std::u16string Utf16Of(const std::vector<std::uint8_t>& data) {
  std::u16string s;
  for (size_t i = 0; i + 1 < data.size(); i += 2)
    s += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  return s;
}

std::vector<std::uint8_t> BytesOf(std::u16string_view s) {
  std::vector<std::uint8_t> data;
  for (char16_t c : s) {
    data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return data;
}

std::string TypeName(DWORD type) {
  static const char* const names[] = {"REG_NONE",
                                      "REG_SZ",
                                      "REG_EXPAND_SZ",
                                      "REG_BINARY",
                                      "REG_DWORD",
                                      "REG_DWORD_BIG_ENDIAN",
                                      "REG_LINK",
                                      "REG_MULTI_SZ",
                                      "REG_RESOURCE_LIST",
                                      "REG_FULL_RESOURCE_DESCRIPTOR",
                                      "REG_RESOURCE_REQUIREMENTS_LIST",
                                      "REG_QWORD"};
  if (type < std::size(names)) return names[type];
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%x", unsigned{type});
  return buffer;
}

std::string HexDigits(const std::vector<std::uint8_t>& data) {
  std::string out;
  char buffer[4];
  for (std::uint8_t b : data) {
    std::snprintf(buffer, sizeof buffer, "%02X", unsigned{b});
    out += buffer;
  }
  return out;
}

std::string ShowData(const win::RegValue& value) {
  const auto& d = value.data;
  if (value.type == win::REG_SZ || value.type == win::REG_EXPAND_SZ) {
    std::u16string s = Utf16Of(d);
    return win::Utf16ToUtf8(std::u16string_view(s).substr(0, s.find(u'\0')));
  }
  if (value.type == win::REG_MULTI_SZ) {
    std::u16string s = Utf16Of(d);
    while (!s.empty() && s.back() == u'\0') s.pop_back();
    std::string out = win::Utf16ToUtf8(s);
    for (size_t at = 0; (at = out.find('\0', at)) != std::string::npos; at += 2)
      out.replace(at, 1, "\\0");
    return out;
  }
  char buffer[24];
  if (value.type == win::REG_DWORD && d.size() == 4) {
    std::snprintf(buffer, sizeof buffer, "0x%x",
                  unsigned(d[0] | d[1] << 8 | d[2] << 16 | unsigned{d[3]} << 24));
    return buffer;
  }
  if (value.type == kRegQword && d.size() == 8) {
    unsigned long long n = 0;
    for (int i = 7; i >= 0; --i) n = n << 8 | d[i];
    std::snprintf(buffer, sizeof buffer, "0x%llx", n);
    return buffer;
  }
  return HexDigits(d);
}

void PrintValue(std::ostream& out, const std::string& name, const win::RegValue& value) {
  out << "    " << (name.empty() ? "(Default)" : win::AnsiToUtf8(name)) << "    "
      << TypeName(value.type) << "    " << ShowData(value) << "\n";
}

std::string FullName(const KeyName& key) {
  return key.shown.empty() ? key.rootName : key.rootName + "\\" + key.shown;
}

int Query(const KeyName& name, const Options& o, std::ostream& out) {
  win::RegKey key;
  if (win::RegKey::Open(name.root, name.subkey, key) != win::ERROR_SUCCESS)
    throw Failure{std::string(kNotFound)};
  if (o.value) {
    win::RegValue value;
    std::string valueName = win::Utf8ToAnsi(*o.value);
    if (key.Query(valueName, value) != win::ERROR_SUCCESS) throw Failure{std::string(kNotFound)};
    out << "\n" << FullName(name) << "\n";
    PrintValue(out, valueName, value);
    out << "\n";
    return 0;
  }
  std::vector<std::string> values, subkeys;
  if (key.ValueNames(values) != win::ERROR_SUCCESS ||
      key.SubkeyNames(subkeys) != win::ERROR_SUCCESS)
    throw Failure{std::string(kNotFound)};
  out << "\n" << FullName(name) << "\n";
  for (const std::string& valueName : values) {
    win::RegValue value;
    if (key.Query(valueName, value) == win::ERROR_SUCCESS) PrintValue(out, valueName, value);
  }
  out << "\n";
  for (const std::string& subkey : subkeys)
    out << FullName(name) << "\\" << win::AnsiToUtf8(subkey) << "\n";
  return 0;
}

DWORD ParseDword(const std::string& text) {
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  std::string digits = hex ? text.substr(2) : text;
  unsigned long long n = 0;
  bool ok = !digits.empty() && digits.size() <= 20;
  for (char c : digits) {
    int digit = c >= '0' && c <= '9'          ? c - '0'
                : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                              : -1;
    if (digit < 0) ok = false;
    n = n * (hex ? 16 : 10) + (digit < 0 ? 0 : digit);
    if (n > 0xFFFFFFFFull) ok = false;
  }
  if (!ok) throw Failure{"Invalid DWORD data \"" + text + "\": give a decimal or 0x hex number."};
  return static_cast<DWORD>(n);
}

// Hex digits, two to a byte; an odd first digit is a byte of its own.
std::vector<std::uint8_t> ParseBinary(const std::string& text) {
  std::vector<std::uint8_t> bytes;
  auto value = [&](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw Failure{"Invalid binary data \"" + text + "\": give hex digits."};
  };
  size_t i = 0;
  if (text.size() % 2) bytes.push_back(static_cast<std::uint8_t>(value(text[i++])));
  for (; i < text.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(value(text[i]) * 16 + value(text[i + 1])));
  return bytes;
}

win::RegValue MakeValue(const Options& o) {
  std::string type = o.type.value_or("REG_SZ");
  std::string data = o.data.value_or("");
  if (type == "REG_SZ" || type == "REG_EXPAND_SZ" || type == "REG_MULTI_SZ") {
    std::u16string s = win::Utf8ToUtf16(data);
    DWORD t = type == "REG_SZ"          ? win::REG_SZ
              : type == "REG_EXPAND_SZ" ? win::REG_EXPAND_SZ
                                        : win::REG_MULTI_SZ;
    if (t == win::REG_MULTI_SZ) {
      std::u16string sep = win::Utf8ToUtf16(o.separator);
      for (size_t at = 0; !sep.empty() && (at = s.find(sep, at)) != std::u16string::npos; ++at)
        s.replace(at, sep.size(), 1, u'\0');
      if (!s.empty()) s += u'\0';
    }
    s += u'\0';
    return {t, BytesOf(s)};
  }
  if (type == "REG_DWORD") {
    DWORD n = ParseDword(data);
    return {win::REG_DWORD,
            {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
             static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)}};
  }
  if (type == "REG_BINARY") return {win::REG_BINARY, ParseBinary(data)};
  if (type == "REG_NONE") return {win::REG_NONE, ParseBinary(data)};
  throw Failure{"Invalid type \"" + type +
                "\": REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY or REG_NONE."};
}

int Add(const KeyName& name, const Options& o, std::ostream& out) {
  win::RegValue value;
  bool writesValue = o.value || o.type || o.data;
  if (writesValue) value = MakeValue(o);  // bad data fails before anything is made
  win::RegKey key;
  DWORD result = win::RegKey::Create(name.root, name.subkey, key);
  if (result == win::ERROR_SUCCESS && writesValue)
    result = key.Set(win::Utf8ToAnsi(o.value.value_or("")), value);
  if (result != win::ERROR_SUCCESS)
    throw Failure{"Cannot write " + FullName(name) + ": error " + std::to_string(result) + "."};
  out << "The operation completed successfully.\n";
  return 0;
}

int Delete(const KeyName& name, const Options& o, std::ostream& out) {
  DWORD result;
  if (o.value) {
    win::RegKey key;
    result = win::RegKey::Open(name.root, name.subkey, key);
    if (result == win::ERROR_SUCCESS) result = key.DeleteValue(win::Utf8ToAnsi(*o.value));
  } else {
    result = win::RegDeleteTree(name.root, name.subkey);
  }
  if (result == win::ERROR_FILE_NOT_FOUND) throw Failure{std::string(kNotFound)};
  if (result != win::ERROR_SUCCESS)
    throw Failure{"Cannot delete " + FullName(name) + ": error " + std::to_string(result) + "."};
  out << "The operation completed successfully.\n";
  return 0;
}

}  // namespace

int RunReg(const Args& args, std::ostream& out, std::ostream& err) {
  try {
    Options o = ParseOptions(args);
    KeyName name = ParseKey(o.key);
    if (o.verb == "QUERY") return Query(name, o, out);
    if (o.verb == "ADD") return Add(name, o, out);
    if (o.verb == "DELETE") return Delete(name, o, out);
    throw Failure{"Unknown reg verb \"" + args[0] + "\": query, add or delete."};
  } catch (const Failure& f) {
    err << "winroot reg: " << f.message << "\n";
    return 1;
  }
}

}  // namespace winroot
