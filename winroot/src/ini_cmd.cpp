#include <ostream>

#include "commands_impl.h"

namespace winroot {
int RunIni(const Args&, std::ostream&, std::ostream& err) { err << "winroot: not yet available\n"; return 1; }
}  // namespace winroot
