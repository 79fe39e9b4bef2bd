// winroot ini: read and write one value of an INI file through the private-profile functions.
#include <algorithm>
#include <optional>
#include <ostream>

#include "commands_impl.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/profile.h"

namespace winroot {

namespace {

constexpr std::string_view kUsage =
    "usage: winroot ini get FILE SECTION KEY [DEFAULT]\n"
    "       winroot ini set FILE SECTION KEY [VALUE]\n"
    "FILE is a Windows path, or a file name in the Windows folder.\n";

// Arguments in ANSI; nullopt (and a message) when one has characters the code page lacks, which
// the conversion turns into "?".
std::optional<Args> ToAnsi(const Args& args, std::ostream& err) {
  Args ansi;
  for (const std::string& arg : args) {
    ansi.push_back(win::Utf8ToAnsi(arg));
    if (std::count(ansi.back().begin(), ansi.back().end(), '?') !=
        std::count(arg.begin(), arg.end(), '?')) {
      err << "winroot ini: \"" << arg << "\" has characters that code page " << win::GetACP()
          << " cannot hold\n";
      return std::nullopt;
    }
  }
  return ansi;
}

std::string ErrorText(win::DWORD code) {
  std::string text = win::AnsiToUtf8(win::SystemMessage(code));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

int Get(const Args& utf8, const Args& ansi, std::ostream& out, std::ostream& err) {
  std::optional<std::string> value = win::GetPrivateProfileValue(ansi[2], ansi[3], ansi[1].c_str());
  if (value) {
    out << win::AnsiToUtf8(*value) << '\n';
    return 0;
  }
  if (utf8.size() == 5) {
    out << utf8[4] << '\n';
    return 0;
  }
  out << '\n';
  err << "winroot ini: no key \"" << utf8[3] << "\" in section [" << utf8[2] << "] of " << utf8[1]
      << '\n';
  return 1;
}

int Set(const Args& utf8, const Args& ansi, std::ostream& err) {
  const char* value = ansi.size() == 5 ? ansi[4].c_str() : nullptr;
  if (win::WritePrivateProfileStringA(ansi[2].c_str(), ansi[3].c_str(), value, ansi[1].c_str()))
    return 0;
  win::DWORD code = win::GetLastError();
  err << "winroot ini: cannot write " << utf8[1] << ": " << ErrorText(code) << " (" << code
      << ")\n";
  return 1;
}

}  // namespace

int RunIni(const Args& args, std::ostream& out, std::ostream& err) {
  bool known = !args.empty() && (args[0] == "get" || args[0] == "set");
  if (!known || args.size() < 4 || args.size() > 5) {
    err << (known || args.empty() ? "winroot ini: wrong number of arguments\n"
                                  : "winroot ini: unknown action \"" + args[0] + "\"\n")
        << kUsage;
    return 1;
  }
  if (args[1].empty()) {
    err << "winroot ini: FILE is empty\n" << kUsage;
    return 1;
  }
  std::optional<Args> ansi = ToAnsi(args, err);
  if (!ansi) return 1;
  return args[0] == "get" ? Get(args, *ansi, out, err) : Set(args, *ansi, err);
}

}  // namespace winroot
