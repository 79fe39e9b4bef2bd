#pragma once
// The program entry: the options, the Application, the main window and the message loop.
#include <ostream>

#include "forms/application.h"
#include "newsgate/Main.h"

namespace newsgate {

// Runs the proxy on app until the main window closes. A main window that cannot be made (the
// listening socket cannot be opened) is reported, on errors when given, else in the standard
// error box, and ends the program with 1; a normal end gives 0.
int RunNewsgate(forms::Application& app, const TListenAddress& listen, std::ostream* errors);

// The program: "--listen ADDRESS:PORT" (also "--listen=ADDRESS:PORT"), the frontend's options,
// and the console on standard input and output, where a line that is only the caption of an item
// of the main window's menu ("終了", "フィルタの編集", "About") chooses that item. A wrong
// --listen ends it with 2.
int NewsgateMain(int argc, const char* const* argv);

}  // namespace newsgate
