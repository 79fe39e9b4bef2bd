#pragma once
// The shell of the emulated system: shortcut files, opening a document or program, and change
// notifications. Paths are ANSI Windows paths.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace win {

using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT HRESULT_FROM_WIN32(DWORD code) {
  return code == 0 ? S_OK : static_cast<HRESULT>((code & 0xFFFF) | 0x80070000);
}

constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWMINNOACTIVE = 7;

// The shell link object (CLSID 00021401-0000-0000-C000-000000000046) with the calls of its
// IShellLinkA and IPersistFile interfaces that make a shortcut. Texts are cut at a NUL, as the
// system's C strings are; a text longer than 65535 bytes gives E_INVALIDARG.
//
// Save writes a shortcut file in the system's binary format (header, link information with the
// target as a local path in the ANSI code page, then description, working folder, arguments and
// icon as ANSI strings). When the target is an MS-DOS program (".COM", ".BAT", ".PIF", or an ".EXE"
// that starts with "MZ" and has no "PE" or "NE" header) it writes a program information file
// instead, at the given path with its extension changed to ".pif", as the system does; nothing is
// written at the given path then; a path that does not fit the file's fields fails with 206. Files
// are replaced at once (temporary file in the folder, then rename).
class ShellLink {
 public:
  HRESULT SetPath(std::string_view file);
  HRESULT SetArguments(std::string_view arguments);
  HRESULT SetWorkingDirectory(std::string_view folder);
  HRESULT SetDescription(std::string_view description);
  HRESULT SetIconLocation(std::string_view iconPath, int index);
  HRESULT SetShowCmd(int showCmd);  // other values than 1, 3 and 7 are saved as 1
  // IPersistFile::Save with the file not remembered as the object's own.
  HRESULT Save(std::string_view fileName) const;

 private:
  std::string path_, arguments_, workingDirectory_, description_, iconPath_;
  int iconIndex_ = 0;
  int showCmd_ = SW_SHOWNORMAL;
};

// The path a program information file for `linkPath` gets: its extension changed to ".pif".
std::string ProgramInformationPath(std::string_view linkPath);

constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_NOASSOC = 31;

// ShellExecuteA without an owner window. Only the verb "open" (or none) is known. A host file with
// an execute bit is started as a program, detached, with the parameters split as a Windows command
// line and the folder (or the current one) as its working folder; any other file is a document and
// is handed to the desktop's opener (xdg-open) when there is one. Returns a value above 32 on
// success, else 2 (no such file), 3 (no such folder), 5 (access denied), 8 (out of memory),
// 11 (not a program this system can run) or 31 (no program for the document or verb). There are
// no windows to show here: showCmd has no effect.
int ShellExecuteA(std::string_view operation, std::string_view file, std::string_view parameters,
                  std::string_view directory, int showCmd);

// Change notifications. There is no shell to tell here: each call is kept, for the tests.
using LONG = std::int32_t;
constexpr LONG SHCNE_UPDATEDIR = 0x00001000;
constexpr LONG SHCNE_UPDATEITEM = 0x00002000;
constexpr LONG SHCNE_ASSOCCHANGED = 0x08000000;
constexpr unsigned SHCNF_IDLIST = 0x0000;
constexpr unsigned SHCNF_PATHA = 0x0001;

struct ShellChange {
  LONG eventId;
  unsigned flags;
  std::string item1, item2;  // the paths of SHCNF_PATHA, empty otherwise
  bool operator==(const ShellChange&) const = default;
};

void SHChangeNotify(LONG eventId, unsigned flags, const void* item1 = nullptr,
                    const void* item2 = nullptr);
// The notifications so far, oldest first, and forgetting them.
std::vector<ShellChange> ShellChanges();
void ClearShellChanges();

}  // namespace win
