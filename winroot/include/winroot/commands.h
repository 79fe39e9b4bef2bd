#pragma once
// The winroot command: looks into and changes the emulated system.
#include <iosfwd>
#include <string>
#include <vector>

namespace winroot {

// Runs one command line (without the program name); output is UTF-8. Returns the exit status:
// 0 on success, 1 with a message on err for a missing key or value or a bad argument.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace winroot
