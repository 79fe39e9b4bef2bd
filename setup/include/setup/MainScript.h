#pragma once
// The setup script "SETUP.INI": every section and key the program reads, with their defaults, and
// the syntax of each value. Values that do not have the expected shape give empty fields; nothing
// here fails.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/MainMacros.h"

namespace setup {

constexpr int kDefaultStepPause = 350;  // milliseconds
constexpr std::size_t kRelateEntries = 20;

struct ShortcutEntry {
  std::string make;  // Make n: target[,arguments]
  std::string name;  // Name n: place and name[,working folder]; "Default" when absent
};

struct RegistryEntry {
  std::string key;    // Key n: root macro and key path
  std::string name;   // Name n: value name, empty for the key's default value
  std::string value;  // Value n: [(Pdd)] type token and data
};

struct RelatePair {
  std::string name;  // Name i: extension[,description]
  std::string file;  // File i: verb,program,arguments...,icon index
};

// The script as read; numbered families hold their values from 1 up to the first empty one.
struct SetupScript {
  struct {
    std::string setup, unSetup, unSetupKey, unSetupDisplay, copyRight1, copyRight2;
  } title;
  struct {
    std::string setupString, unSetupString, setupSpeed, enabled, unSetupOption;
  } extend;
  struct {
    std::string folder, referRegistry, referIniFile;
  } defaultFolder;
  std::string programId;                  // [ProgramID] ID
  std::array<std::string, 5> topMessage;  // [TopMessage] Message1 to Message5
  struct {
    std::string file, title, scrollBars;
  } readme;
  std::vector<std::string> shortcutNames;         // [ShortCut] Name n, as the start-up walks them
  std::vector<ShortcutEntry> shortcuts;           // [ShortCut] Make n with their Name n
  std::vector<std::string> makeFolders;           // [MakeFolder] Folder n
  std::vector<std::string> copyFiles;             // [CopyFile] File n
  std::vector<RegistryEntry> registry;            // [Registry] Key n, Name n, Value n
  std::vector<std::string> iniFiles;              // [IniFile] Data n
  std::array<RelatePair, kRelateEntries> relate;  // [Relate] Name1/File1 to Name20/File20
  std::vector<std::string> deleteRegistry;        // [DeleteRegistry] Key n
  std::vector<std::string> addDeleteFiles;        // [AddDeleteFile] File n
  std::string executeFile;                        // [ExecuteFile] File
};

SetupScript ReadSetupScript(const std::string& path);

// Values of prefix + 1, prefix + 2, ... of a section up to the first empty one.
std::vector<std::string> ReadFamily(const std::string& path, const std::string& section,
                                    const std::string& prefix);

// The step pause of a SetupSpeed text: a decimal integer, at least 1; the default pause when the
// text is not a decimal integer.
int StepPause(std::string_view setupSpeed);

// The uninstall title asks for no uninstall log ("Setup Only." anywhere, without regard to case).
bool IsSetupOnly(std::string_view unSetupTitle);

// The user may change the folder and the choices unless Enabled is exactly "False".
bool ChoicesEnabled(const SetupScript& script);

// The relate table: the pairs whose name and file are both set, in script order.
std::vector<RelatePair> RelateTable(const SetupScript& script);

// [CopyFile] File n after expansion: [(Dch)]target path[|installed name][,flags].
struct CopyFileLine {
  bool diskChange = false;       // "(Dch)" at the start: the next disk is asked for first
  std::string targetPath;        // the path before "|"; its folder places the installed file
  std::string installedName;     // after "|", empty without one
  std::string flagText;          // from the first comma to the end, comma included
  bool shared = false;           // "/S": counted as a shared library
  bool alwaysOverwrite = false;  // "/W"
  bool registerControl = false;  // "/R": registered by its DllRegisterServer entry
  std::string target;      // the installed path; a compressed name without "|" ends in AUTO.EXT
  std::string sourceName;  // the file name of the target path, taken from the source folder
};
CopyFileLine ParseCopyFile(std::string_view expandedValue);

// [Registry] Value n: "(Pdd)" anywhere, then after expansion a five-character type token and data.
enum class RegistryValueType { String, Integer, Binary, Expandable, Whole };
struct RegistryValue {
  bool empty = true;  // nothing to write (the key is still created)
  bool pdd = false;   // the data lost one trailing backslash
  RegistryValueType type = RegistryValueType::Whole;
  std::string typeToken;    // characters 1 to 5
  std::string data;         // characters 6 to the end
  std::string text;         // String, Expandable: the data; Whole: the whole expanded value
  std::int32_t number = 0;  // Integer: the data read as a signed decimal number, 0 when it is none
  std::optional<std::array<std::uint8_t, 4>> bytes;  // Binary: the hexadecimal data, low byte first
};
RegistryValue ParseRegistryValue(std::string_view value, const FolderValues& folders);

// [IniFile] Data n after expansion: section,key,value,profile file (the file may hold commas).
struct IniEntry {
  std::string section, key, value, file;
};
IniEntry ParseIniEntry(std::string_view expandedValue);

// A relate pair: extension[,description] and verb,program,argument...,icon index (expanded here).
struct RelateEntry {
  std::string extension;    // without its dot
  std::string description;  // extension + " File" when not given
  std::string verb;
  std::string program;
  std::string command;    // the program (quoted when it holds a space) and each non-empty argument
  std::string iconIndex;  // the last field
  std::string icon;       // program + "," + icon index
};
RelateEntry ParseRelate(const RelatePair& pair, const FolderValues& folders);

// [ExecuteFile] File: "WINDOWS_REBOOT" or program[,parameters] (expanded here).
struct ExecuteFile {
  bool reboot = false;
  std::string program, parameters;
};
ExecuteFile ParseExecuteFile(std::string_view value, const FolderValues& folders);

// [Extend] UnSetupOption / [UnSetupOption] CheckBox: "DeleteAll" or "1"/"0" at characters 1, 3,
// 5, 7.
struct UnSetupOption {
  bool deleteAll = false;
  std::array<bool, 4> checked{};
};
UnSetupOption ParseUnSetupOption(std::string_view value);

// [DefaultFolder] ReferRegistry: registry key,value name (not expanded).
struct ReferRegistry {
  RegistryKeySpec key;
  std::string valueName;
};
ReferRegistry ParseReferRegistry(std::string_view value);

// [DefaultFolder] ReferIniFile: section,key,profile file (expanded here).
struct ReferIniFile {
  std::string section, key, file;
};
ReferIniFile ParseReferIniFile(std::string_view value, const FolderValues& folders);

// The four shortcut boxes of the main window.
enum class ShortcutBox { None, Desktop, StartMenu, Startup, SendTo };
// The box an entry of the install run depends on ("Default" is the start menu's).
ShortcutBox ShortcutBoxOf(std::string_view name);
// The boxes a name ticks at start-up (a name may tick several).
struct ShortcutBoxes {
  bool desktop = false, startMenu = false, startup = false, sendTo = false;
};
ShortcutBoxes ShortcutBoxesNamed(std::string_view name);

// [ShortCut] Make n expanded: the target and its arguments.
struct ShortcutTarget {
  std::string target, arguments;
};
ShortcutTarget ParseShortcutMake(std::string_view make, const FolderValues& folders);

// [ShortCut] Name n for a target: the link name (full path without extension) and working folder.
struct ShortcutPlace {
  std::string linkName, workingFolder;
};
ShortcutPlace ParseShortcutName(std::string_view name, std::string_view target,
                                const FolderValues& folders);

// [MakeFolder] Folder n: the folder with a trailing backslash, expanded.
std::string MakeFolderPath(std::string_view value, const FolderValues& folders);

// [Readme] File: a path in the source folder (one leading backslash dropped); empty when not set.
std::string ReadmePath(std::string_view sourceFolder, std::string_view file);

}  // namespace setup
