// The uninstall run.
#include "setup/Main.h"

namespace setup {

void TfrmMain::DoUnSetup() {}

}  // namespace setup
