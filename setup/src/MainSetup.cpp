// The install run.
#include "setup/Main.h"

namespace setup {

void TfrmMain::DoSetup() {}

}  // namespace setup
