#pragma once
// Path macros ("(App)", "(Sys)", ...) that name folders of the target system in script values, and
// registry-root macros ("(Local)", ...) that name registry roots.
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace setup {

// The folder each path macro stands for; every folder ends with a backslash (a folder the system
// cannot give is a single backslash). The main window keeps one for the life of the program.
struct FolderValues {
  std::string source;         // the folder of the running program
  std::string app = "(App)";  // (App): the setup folder, the token itself until the install run
  std::string programFiles;   // (Prg)
  std::string windows;        // (Win)
  std::string system;         // (Sys)
  std::string temp;           // (Tmp)
  std::string bootRoot;       // (Boo): root of the Windows folder's drive
  std::string setupRoot;   // (Set): root of the setup folder's drive, empty until the install run
  std::string sourceRoot;  // (Edr): root of the source folder's drive
  std::string startMenu;   // (Smn)
  std::string programs;    // (Sta)
  std::string desktop;     // (Dsk)
  std::string startup;     // (Sup)
  std::string sendTo;      // (Sen)
  std::string commonStartMenu;  // (C_Smn)
  std::string commonPrograms;   // (C_Sta)
  std::string commonDesktop;    // (C_Dsk)
  std::string commonStartup;    // (C_Sup)
  int platformId = -1;          // dwPlatformId of the system, -1 when unknown
  bool windowsMissing = false;  // the system gave no Windows folder (fatal at start-up)
  bool systemMissing = false;   // the system gave no System folder (fatal at start-up)
};

// The folder values of the running system, determined in the order of the start-up: source folder,
// temporary, Windows and System folders, (App) as its own token, Program Files, (Boo), (Edr), the
// user's special folders, then the all-users folders (the user's ones outside the NT family).
FolderValues DetermineFolders(std::string_view sourceFolder);

// (App) := the setup folder with a trailing backslash, when the install run fixes it.
void SetSetupFolder(FolderValues& folders, std::string_view setupFolder);
// (Set) := the root of the setup folder's drive, once the install run has checked the folder.
void SetSetupRoot(FolderValues& folders);

// The path of a shell special folder; empty when the system has none.
std::string SpecialFolder(int csidl);

// Every occurrence of token in text (without regard to case) replaced by value; a backslash that
// would follow a value ending in one is dropped. Replaced text is not searched again, so a value
// that contains its own token (as "(App)" before the install run) stays as it is.
std::string ReplaceMacro(std::string_view text, std::string_view token, std::string_view value);

// All path macros of text replaced, in their fixed order.
std::string ExpandPathMacros(const FolderValues& folders, std::string_view text);

// A registry key written as a seven-character root macro followed by the key path.
struct RegistryKeySpec {
  std::string rootToken;  // characters 1 to 7, "(Cuser)" when they are not a macro
  std::string key;        // the rest as written

  win::HKEY root() const;
  // The key without one leading and one trailing backslash, as a key is opened or created.
  std::string openPath() const;
};

RegistryKeySpec ParseRegistryKey(std::string_view value);
// "(Class)", "(Local)", "(Users)" (exact); anything else is the current user's hive.
win::HKEY RegistryRoot(std::string_view rootToken);

}  // namespace setup
