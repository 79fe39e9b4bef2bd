#include "newsgate/MainProgram.h"
#include "newsgate/MainVersion.h"

// The version record of this program file, which the about box shows.
[[gnu::used, gnu::section(".ngversion")]] static constexpr newsgate::TVersionRecord kVersion =
    newsgate::MakeVersionRecord(NEWSGATE_VERSION_MAJOR, NEWSGATE_VERSION_MINOR,
                                NEWSGATE_VERSION_RELEASE, NEWSGATE_BUILD, NEWSGATE_FILE_FLAGS);

int main(int argc, char** argv) { return newsgate::NewsgateMain(argc, argv); }
