#include "setup/MainShell.h"

int main(int argc, char** argv) { return setup::SetupMain(argc, argv); }
