// winroot info and winroot path: what the emulated system looks like and where its paths lead.
#include <iomanip>
#include <optional>
#include <ostream>

#include "commands_impl.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/root.h"
#include "platform/system.h"

namespace winroot {

namespace {

struct SpecialFolder {
  const char* name;
  int csidl;
};

constexpr SpecialFolder kSpecialFolders[] = {
    {"Programs", win::CSIDL_PROGRAMS},
    {"Startup", win::CSIDL_STARTUP},
    {"SendTo", win::CSIDL_SENDTO},
    {"Start Menu", win::CSIDL_STARTMENU},
    {"Desktop", win::CSIDL_DESKTOPDIRECTORY},
    {"Common Start Menu", win::CSIDL_COMMON_STARTMENU},
    {"Common Programs", win::CSIDL_COMMON_PROGRAMS},
    {"Common Startup", win::CSIDL_COMMON_STARTUP},
    {"Common Desktop", win::CSIDL_COMMON_DESKTOPDIRECTORY},
};

void Line(std::ostream& out, const std::string& label, const std::string& value) {
  out << std::left << std::setw(26) << (label + ":") << value << '\n';
}

std::string CsidlLabel(const SpecialFolder& folder) {
  static const char hex[] = "0123456789ABCDEF";
  return std::string(folder.name) + " (0x" + hex[folder.csidl >> 4] + hex[folder.csidl & 0xF] + ")";
}

}  // namespace

int RunInfo(const Args& args, std::ostream& out, std::ostream& err) {
  if (!args.empty()) {
    err << "winroot: info takes no arguments\n";
    return 1;
  }
  Line(out, "System root", win::SystemRoot().string());
  Line(out, "Code page", std::to_string(win::GetACP()));
  win::OSVERSIONINFOA version;
  Line(out, "Platform", win::GetVersionExA(&version) ? std::to_string(version.dwPlatformId) : "-1");
  std::string drives;
  for (char letter : win::DriveLetters())
    drives += std::string(drives.empty() ? "" : " ") + letter + ':';
  Line(out, "Drives", drives);
  Line(out, "Windows folder", win::AnsiToUtf8(win::GetWindowsDirectoryA()));
  Line(out, "System folder", win::AnsiToUtf8(win::GetSystemDirectoryA()));
  Line(out, "Temporary folder", win::AnsiToUtf8(win::GetTempPathA()));
  for (const SpecialFolder& folder : kSpecialFolders) {
    std::string path;
    bool known = win::SpecialFolderPath(folder.csidl, path);
    Line(out, CsidlLabel(folder), known ? win::AnsiToUtf8(path) : "(none on this platform)");
  }
  return 0;
}

int RunPath(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) {
    err << "usage: winroot path WINPATH\n";
    return 1;
  }
  std::optional<std::string> ansi = win::Utf8ToAnsiExact(args[0]);
  if (!ansi) {
    err << "winroot: \"" << args[0] << "\" cannot be written in code page " << win::GetACP()
        << "\n";
    return 1;
  }
  std::optional<std::string> full = win::FullPathName(*ansi);
  if (!full) {
    err << "winroot: \"" << args[0] << "\" is no path on a drive letter\n";
    return 1;
  }
  std::optional<std::filesystem::path> host = win::HostPath(*full);
  if (!host) {
    err << "winroot: drive " << full->substr(0, 2) << " is not mapped (no link "
        << (win::SystemRoot() / "dosdevices" /
            (std::string(1, static_cast<char>((*full)[0] | 0x20)) + ":"))
               .string()
        << ")\n";
    return 1;
  }
  out << host->string() << '\n';
  return 0;
}

}  // namespace winroot
