#pragma once
// The choice of frontend from the command line. Arguments beginning with "--" are the
// frontend's options and are taken off before the program sees its arguments; "--" alone ends
// the options, and everything after it is the program's.
#include <memory>
#include <string>
#include <vector>

#include "forms/application.h"

namespace forms {

struct FrontendOptions {
  bool console = false;  // the console frontend, also once a graphical one exists
  bool noSleep = false;  // --no-sleep: sleeps of the console return at once
};

struct CommandLine {
  FrontendOptions options;
  std::vector<std::string> args;     // the program's arguments, without the program itself
  std::vector<std::string> unknown;  // options that were not recognised
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The Application the options choose; the console on standard input and output today.
std::unique_ptr<Application> CreateApplication(const FrontendOptions& options);

}  // namespace forms
