#include "setup/MainScript.h"

#include <limits>

#include "setup/MBUtils.h"
#include "setup/MainHelpers.h"
#include "setup/Texts.h"
#include "setup/uIniFile.h"
#include "setup/uStrOp.h"

namespace setup {

namespace {

struct Split {
  bool found = false;
  std::string before, after;  // before is the whole text when the separator is missing
};

// The text split at the first occurrence of a separator (never inside a double-byte character).
Split SplitFirst(std::string_view text, std::string_view separator) {
  std::size_t p = MBPos(separator, text);
  if (p == 0) return {false, std::string(text), {}};
  return {true, std::string(text.substr(0, p - 1)),
          std::string(text.substr(p - 1 + separator.size()))};
}

std::optional<std::uint64_t> Digits(std::string_view text, unsigned base, std::uint64_t limit) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    if (digit >= base) return std::nullopt;
    value = value * base + digit;
    if (value > limit) return std::nullopt;
  }
  return value;
}

// A signed 32-bit decimal number: an optional sign and digits, nothing else.
std::optional<std::int32_t> Decimal(std::string_view text) {
  bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  constexpr std::uint64_t kMax = std::numeric_limits<std::int32_t>::max();
  auto magnitude = Digits(text, 10, kMax + (negative ? 1 : 0));
  if (!magnitude) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(*magnitude)
                                            : static_cast<std::int64_t>(*magnitude));
}

// A 32-bit hexadecimal number as four bytes, low byte first.
std::optional<std::array<std::uint8_t, 4>> HexBytes(std::string_view text) {
  auto value = Digits(text, 16, 0xFFFFFFFFu);
  if (!value) return std::nullopt;
  std::array<std::uint8_t, 4> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(*value >> (8 * i));
  return bytes;
}

bool Contains(std::string_view text, std::string_view pattern) {
  return PosText(pattern, text) != 0;
}

std::string Read(const std::string& path, const char* section, const std::string& key,
                 const std::string& def = {}) {
  return ReadIniString(section, key, def, path);
}

}  // namespace

std::vector<std::string> ReadFamily(const std::string& path, const std::string& section,
                                    const std::string& prefix) {
  std::vector<std::string> values;
  for (std::size_t n = 1;; ++n) {
    std::string value = ReadIniString(section, prefix + std::to_string(n), "", path);
    if (value.empty()) return values;
    values.push_back(std::move(value));
  }
}

SetupScript ReadSetupScript(const std::string& path) {
  SetupScript s;
  s.title.setup = Read(path, "Title", "Setup", "Orvane");
  s.title.unSetup = Read(path, "Title", "UnSetup", s.title.setup);
  s.title.unSetupKey = Read(path, "Title", "UnSetupKey", s.title.unSetup);
  s.title.unSetupDisplay = Read(path, "Title", "UnSetupDisplay", s.title.unSetupKey);
  s.title.copyRight1 = Read(path, "Title", "CopyRight1");
  s.title.copyRight2 = Read(path, "Title", "CopyRight2");
  s.extend.setupString = Read(path, "Extend", "SetupString", texts::kSetupWord);
  s.extend.unSetupString = Read(path, "Extend", "UnSetupString", texts::kUnSetupWord);
  s.extend.setupSpeed = Read(path, "Extend", "SetupSpeed", std::to_string(kDefaultStepPause));
  s.extend.enabled = Read(path, "Extend", "Enabled");
  s.extend.unSetupOption = Read(path, "Extend", "UnSetupOption");
  s.defaultFolder.folder = Read(path, "DefaultFolder", "Folder", "(Prg)\\");
  s.defaultFolder.referRegistry = Read(path, "DefaultFolder", "ReferRegistry");
  s.defaultFolder.referIniFile = Read(path, "DefaultFolder", "ReferIniFile");
  s.programId = Read(path, "ProgramID", "ID");
  for (std::size_t i = 0; i < s.topMessage.size(); ++i) {
    s.topMessage[i] = Read(path, "TopMessage", "Message" + std::to_string(i + 1));
  }
  s.readme.file = Read(path, "Readme", "File");
  s.readme.title = Read(path, "Readme", "Title");
  s.readme.scrollBars = Read(path, "Readme", "ScrollBars", "ssVertical");
  s.shortcutNames = ReadFamily(path, "ShortCut", "Name");
  for (std::size_t n = 1;; ++n) {
    std::string make = Read(path, "ShortCut", "Make" + std::to_string(n));
    if (make.empty()) break;
    s.shortcuts.push_back(
        {std::move(make), Read(path, "ShortCut", "Name" + std::to_string(n), "Default")});
  }
  s.makeFolders = ReadFamily(path, "MakeFolder", "Folder");
  s.copyFiles = ReadFamily(path, "CopyFile", "File");
  for (std::size_t n = 1;; ++n) {
    std::string number = std::to_string(n);
    std::string key = Read(path, "Registry", "Key" + number);
    if (key.empty()) break;
    s.registry.push_back({std::move(key), Read(path, "Registry", "Name" + number),
                          Read(path, "Registry", "Value" + number)});
  }
  s.iniFiles = ReadFamily(path, "IniFile", "Data");
  for (std::size_t i = 0; i < s.relate.size(); ++i) {
    std::string number = std::to_string(i + 1);
    s.relate[i] = {Read(path, "Relate", "Name" + number), Read(path, "Relate", "File" + number)};
  }
  s.deleteRegistry = ReadFamily(path, "DeleteRegistry", "Key");
  s.addDeleteFiles = ReadFamily(path, "AddDeleteFile", "File");
  s.executeFile = Read(path, "ExecuteFile", "File");
  return s;
}

int StepPause(std::string_view setupSpeed) {
  auto pause = Decimal(setupSpeed);
  if (!pause) return kDefaultStepPause;
  return *pause < 1 ? 1 : *pause;
}

bool IsSetupOnly(std::string_view unSetupTitle) { return Contains(unSetupTitle, "Setup Only."); }

bool ChoicesEnabled(const SetupScript& script) { return script.extend.enabled != "False"; }

std::vector<RelatePair> RelateTable(const SetupScript& script) {
  std::vector<RelatePair> table;
  for (const RelatePair& pair : script.relate) {
    if (!pair.name.empty() && !pair.file.empty()) table.push_back(pair);
  }
  return table;
}

CopyFileLine ParseCopyFile(std::string_view expandedValue) {
  CopyFileLine line;
  std::string_view value = expandedValue;
  if (value.starts_with("(Dch)")) {
    line.diskChange = true;
    value.remove_prefix(5);
  }
  Split flags = SplitFirst(value, ",");
  if (flags.found) line.flagText = "," + flags.after;
  Split bar = SplitFirst(flags.before, "|");
  line.targetPath = bar.before;
  std::string folder = RemoveDelimiter(FolderPart(line.targetPath), "B");
  if (bar.found) {
    line.installedName = bar.after;
    line.target = folder + AddDelimiter(line.installedName, "T");
  } else if (line.targetPath.ends_with('_') &&
             !IsTrailByte(line.targetPath, line.targetPath.size())) {
    line.target = folder + "\\AUTO.EXT";
  } else {
    line.target = line.targetPath;
  }
  line.sourceName = FileNamePart(line.targetPath);
  line.shared = Contains(line.flagText, "/S");
  line.alwaysOverwrite = Contains(line.flagText, "/W");
  line.registerControl = Contains(line.flagText, "/R");
  return line;
}

RegistryValue ParseRegistryValue(std::string_view value, const FolderValues& folders) {
  RegistryValue v;
  v.pdd = Contains(value, "(Pdd)");
  std::string expanded =
      ExpandPathMacros(folders, v.pdd ? ReplaceMacro(value, "(Pdd)", "") : std::string(value));
  v.empty = expanded.empty();
  v.typeToken = LeftStr(expanded, 5);
  v.data = MidStr(expanded, 6);
  if (v.pdd) v.data = RemoveDelimiter(v.data, "B");
  if (v.typeToken == "(Str)") {
    v.type = RegistryValueType::String;
    v.text = v.data;
  } else if (v.typeToken == "(Int)" || v.typeToken == "(Dwd)") {
    v.type = RegistryValueType::Integer;
    v.number = Decimal(v.data).value_or(0);
  } else if (v.typeToken == "(Bin)") {
    v.type = RegistryValueType::Binary;
    v.bytes = HexBytes(v.data);
  } else if (v.typeToken == "(Exp)") {
    v.type = RegistryValueType::Expandable;
    v.text = v.data;
  } else {
    v.type = RegistryValueType::Whole;
    v.text = v.typeToken + v.data;
  }
  return v;
}

IniEntry ParseIniEntry(std::string_view expandedValue) {
  Split section = SplitFirst(expandedValue, ",");
  Split key = SplitFirst(section.after, ",");
  Split value = SplitFirst(key.after, ",");
  if (!value.found) return {};
  return {section.before, key.before, value.before, value.after};
}

RelateEntry ParseRelate(const RelatePair& pair, const FolderValues& folders) {
  RelateEntry e;
  Split name = SplitFirst(pair.name, ",");
  e.extension = name.before;
  e.description = name.found ? name.after : e.extension + " File";
  std::vector<std::string> fields = SplitFields(ExpandPathMacros(folders, pair.file), ',');
  e.verb = fields.front();
  if (fields.size() >= 2) e.iconIndex = fields.back();
  if (fields.size() >= 3) {
    e.program = fields[1];
    e.command = e.program.find(' ') != std::string::npos ? "\"" + e.program + "\"" : e.program;
    for (std::size_t i = 2; i + 1 < fields.size(); ++i) {
      if (!fields[i].empty()) e.command += " " + fields[i];
    }
  }
  e.icon = e.program + "," + e.iconIndex;
  return e;
}

ExecuteFile ParseExecuteFile(std::string_view value, const FolderValues& folders) {
  ExecuteFile e;
  if (value == "WINDOWS_REBOOT") {
    e.reboot = true;
    return e;
  }
  Split program = SplitFirst(ExpandPathMacros(folders, value), ",");
  e.program = program.before;
  e.parameters = program.after;
  return e;
}

UnSetupOption ParseUnSetupOption(std::string_view value) {
  UnSetupOption option;
  option.deleteAll = value == "DeleteAll";
  if (option.deleteAll) return option;
  for (std::size_t i = 0; i < option.checked.size(); ++i) {
    option.checked[i] = 2 * i < value.size() && value[2 * i] == '1';
  }
  return option;
}

ReferRegistry ParseReferRegistry(std::string_view value) {
  return {ParseRegistryKey(GetField(value, ',', 1)), GetField(value, ',', 2)};
}

ReferIniFile ParseReferIniFile(std::string_view value, const FolderValues& folders) {
  std::string expanded = ExpandPathMacros(folders, value);
  return {GetField(expanded, ',', 1), GetField(expanded, ',', 2), GetField(expanded, ',', 3)};
}

ShortcutBox ShortcutBoxOf(std::string_view name) {
  if (Contains(name, "Dsk)")) return ShortcutBox::Desktop;
  if (Contains(name, "Sta)") || name == "Default") return ShortcutBox::StartMenu;
  if (Contains(name, "Sup)")) return ShortcutBox::Startup;
  if (Contains(name, "Sen)")) return ShortcutBox::SendTo;
  return ShortcutBox::None;
}

ShortcutBoxes ShortcutBoxesNamed(std::string_view name) {
  return {Contains(name, "Dsk)"), Contains(name, "Sta)"), Contains(name, "Sup)"),
          Contains(name, "Sen)")};
}

ShortcutTarget ParseShortcutMake(std::string_view make, const FolderValues& folders) {
  Split target = SplitFirst(ExpandPathMacros(folders, make), ",");
  return {target.before, target.after};
}

ShortcutPlace ParseShortcutName(std::string_view name, std::string_view target,
                                const FolderValues& folders) {
  std::string link = name == "Default" ? FileNamePart(target) : std::string(name);
  if (!Contains(link, "(") && !Contains(link, ")")) link = "(Sta)" + link;
  Split place = SplitFirst(ExpandPathMacros(folders, link), ",");
  return {place.before, place.after};
}

std::string MakeFolderPath(std::string_view value, const FolderValues& folders) {
  return ExpandPathMacros(folders, AddDelimiter(value, "B"));
}

std::string ReadmePath(std::string_view sourceFolder, std::string_view file) {
  if (file.empty()) return {};
  return std::string(sourceFolder) + RemoveDelimiter(file, "T");
}

}  // namespace setup
