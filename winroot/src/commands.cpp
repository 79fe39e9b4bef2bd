#include "winroot/commands.h"

#include <map>
#include <ostream>

#include "commands_impl.h"

namespace winroot {

namespace {

void Usage(std::ostream& err) {
  err << "usage: winroot info\n"
         "       winroot path WINPATH\n"
         "       winroot reg query KEY [/v NAME]\n"
         "       winroot reg add KEY [/v NAME] [/t TYPE] [/d DATA]\n"
         "       winroot reg delete KEY [/v NAME]\n"
         "       winroot ini get FILE SECTION KEY [DEFAULT]\n"
         "       winroot ini set FILE SECTION KEY [VALUE]\n"
         "       winroot uninstall [NAME [OPTION...]]\n";
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
  static const std::map<std::string, Command> commands = {{"info", RunInfo},
                                                          {"path", RunPath},
                                                          {"reg", RunReg},
                                                          {"ini", RunIni},
                                                          {"uninstall", RunUninstall}};
  if (args.empty()) {
    Usage(err);
    return 1;
  }
  auto it = commands.find(args[0]);
  if (it == commands.end()) {
    err << "winroot: unknown command \"" << args[0] << "\"\n";
    Usage(err);
    return 1;
  }
  return it->second(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
}

}  // namespace winroot
