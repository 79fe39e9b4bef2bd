#include "setup/MainMacros.h"

#include <array>
#include <utility>

#include "platform/fs.h"
#include "platform/system.h"
#include "setup/MBUtils.h"
#include "setup/MainHelpers.h"
#include "setup/uStrOp.h"

namespace setup {

namespace {

using FolderMember = std::string FolderValues::*;

// The tokens in the order ExpandPathMacros replaces them.
constexpr std::array<std::pair<std::string_view, FolderMember>, 17> kPathMacros{{
    {"(App)", &FolderValues::app},
    {"(Prg)", &FolderValues::programFiles},
    {"(Win)", &FolderValues::windows},
    {"(Sys)", &FolderValues::system},
    {"(Tmp)", &FolderValues::temp},
    {"(Boo)", &FolderValues::bootRoot},
    {"(Set)", &FolderValues::setupRoot},
    {"(Edr)", &FolderValues::sourceRoot},
    {"(Smn)", &FolderValues::startMenu},
    {"(Sta)", &FolderValues::programs},
    {"(Dsk)", &FolderValues::desktop},
    {"(Sup)", &FolderValues::startup},
    {"(Sen)", &FolderValues::sendTo},
    {"(C_Smn)", &FolderValues::commonStartMenu},
    {"(C_Sta)", &FolderValues::commonPrograms},
    {"(C_Dsk)", &FolderValues::commonDesktop},
    {"(C_Sup)", &FolderValues::commonStartup},
}};

std::string Folder(std::string_view path) { return AddDelimiter(path, "B"); }

std::string DriveRoot(std::string_view folder) { return LeftStr(folder, 2) + "\\"; }

bool IsFolder(const std::string& path) {
  win::DWORD attributes = win::GetFileAttributesA(path);
  return attributes != win::INVALID_FILE_ATTRIBUTES &&
         (attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// "ProgramFilesDir" of the system, else the Program Files folder on the Windows folder's drive.
std::string ProgramFilesFolder(const std::string& windowsFolder) {
  std::string path;
  win::RegKey key;
  if (win::RegKey::Create(win::HKEY::LocalMachine, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                          key) == win::ERROR_SUCCESS &&
      key.QueryString("ProgramFilesDir", path) == win::ERROR_SUCCESS && !path.empty() &&
      IsFolder(path)) {
    return Folder(path);
  }
  return LeftStr(windowsFolder, 2) + "\\Program Files\\";
}

int PlatformId() {
  win::OSVERSIONINFOA info;
  return win::GetVersionExA(&info) ? static_cast<int>(info.dwPlatformId) : -1;
}

}  // namespace

std::string SpecialFolder(int csidl) {
  std::string path;
  return win::SpecialFolderPath(csidl, path) ? path : std::string();
}

FolderValues DetermineFolders(std::string_view sourceFolder) {
  FolderValues f;
  f.platformId = PlatformId();
  f.source = Folder(sourceFolder);
  std::string temp = win::GetTempPathA();
  f.temp = temp.empty() ? f.source : Folder(temp);
  std::string windows = win::GetWindowsDirectoryA();
  f.windowsMissing = windows.empty();
  f.windows = Folder(windows);
  std::string system = win::GetSystemDirectoryA();
  f.systemMissing = system.empty();
  f.system = Folder(system);
  f.app = "(App)";
  f.programFiles = ProgramFilesFolder(f.windows);
  f.bootRoot = DriveRoot(f.windows);
  f.sourceRoot = DriveRoot(f.source);
  f.startMenu = Folder(SpecialFolder(win::CSIDL_STARTMENU));
  f.programs = Folder(SpecialFolder(win::CSIDL_PROGRAMS));
  f.desktop = Folder(SpecialFolder(win::CSIDL_DESKTOPDIRECTORY));
  f.startup = Folder(SpecialFolder(win::CSIDL_STARTUP));
  f.sendTo = Folder(SpecialFolder(win::CSIDL_SENDTO));
  if (f.platformId == static_cast<int>(win::VER_PLATFORM_WIN32_NT)) {
    f.commonStartMenu = Folder(SpecialFolder(win::CSIDL_COMMON_STARTMENU));
    f.commonPrograms = Folder(SpecialFolder(win::CSIDL_COMMON_PROGRAMS));
    f.commonDesktop = Folder(SpecialFolder(win::CSIDL_COMMON_DESKTOPDIRECTORY));
    f.commonStartup = Folder(SpecialFolder(win::CSIDL_COMMON_STARTUP));
  } else {
    f.commonStartMenu = f.startMenu;
    f.commonPrograms = f.programs;
    f.commonDesktop = f.desktop;
    f.commonStartup = f.startup;
  }
  return f;
}

void SetSetupFolder(FolderValues& folders, std::string_view setupFolder) {
  folders.app = Folder(setupFolder);
}

void SetSetupRoot(FolderValues& folders) { folders.setupRoot = DriveRoot(folders.app); }

std::string ReplaceMacro(std::string_view text, std::string_view token, std::string_view value) {
  const std::string searchText = SearchForm(text);
  const std::string searchToken = SearchForm(token);
  const bool dropBackslash = EndsWithDelimiter(value);
  std::string result;
  std::size_t done = 0;  // bytes of text handled so far; always a character start
  while (std::size_t p = MBPos(searchToken, std::string_view(searchText).substr(done))) {
    std::size_t at = done + p - 1;
    result.append(text.substr(done, at - done)).append(value);
    done = at + token.size();
    if (dropBackslash && done < text.size() && text[done] == '\\') ++done;
  }
  return result.append(text.substr(done));
}

std::string ExpandPathMacros(const FolderValues& folders, std::string_view text) {
  std::string result(text);
  std::string searchForm = SearchForm(result);
  for (const auto& [token, member] : kPathMacros) {
    if (MBPos(SearchForm(token), searchForm) == 0) continue;
    result = ReplaceMacro(result, token, folders.*member);
    searchForm = SearchForm(result);
  }
  return result;
}

win::HKEY RegistryRoot(std::string_view rootToken) {
  if (rootToken == "(Class)") return win::HKEY::ClassesRoot;
  if (rootToken == "(Local)") return win::HKEY::LocalMachine;
  if (rootToken == "(Users)") return win::HKEY::Users;
  return win::HKEY::CurrentUser;
}

RegistryKeySpec ParseRegistryKey(std::string_view value) {
  if (value.size() < 7 || value[0] != '(' || value[6] != ')')
    return {"(Cuser)", std::string(value)};
  return {std::string(value.substr(0, 7)), std::string(value.substr(7))};
}

win::HKEY RegistryKeySpec::root() const { return RegistryRoot(rootToken); }

std::string RegistryKeySpec::openPath() const {
  return RemoveDelimiter(RemoveDelimiter(key, "T"), "B");
}

}  // namespace setup
