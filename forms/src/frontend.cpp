#include "forms/frontend.h"

#include <unistd.h>

#include <iostream>

#include "forms/console_application.h"

namespace forms {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!options || arg.rfind("--", 0) != 0) {
      line.args.push_back(arg);
    } else if (arg == "--") {
      options = false;
    } else if (arg == "--console") {
      line.options.console = true;
    } else if (arg == "--no-sleep") {
      line.options.noSleep = true;
    } else {
      line.unknown.push_back(arg);
    }
  }
  return line;
}

std::unique_ptr<Application> CreateApplication(const FrontendOptions& options) {
  return std::make_unique<ConsoleApplication>(STDIN_FILENO, std::cout,
                                              ConsoleOptions{options.noSleep});
}

}  // namespace forms
