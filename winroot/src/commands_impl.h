#pragma once
// One function per winroot command; arguments follow the command word.
#include <iosfwd>
#include <string>
#include <vector>

namespace winroot {

using Args = std::vector<std::string>;

int RunInfo(const Args& args, std::ostream& out, std::ostream& err);  // info_cmd.cpp
int RunPath(const Args& args, std::ostream& out, std::ostream& err);  // info_cmd.cpp
int RunReg(const Args& args, std::ostream& out, std::ostream& err);   // reg_cmd.cpp
int RunIni(const Args& args, std::ostream& out, std::ostream& err);   // ini_cmd.cpp
// Without arguments the installed programs (key name, tab, DisplayName); with a name, that
// program's UninstallString run with the further options before its own arguments.
int RunUninstall(const Args& args, std::ostream& out, std::ostream& err);  // uninstall_cmd.cpp

}  // namespace winroot
