#pragma once
// The system's message texts for Win32 error codes (FormatMessage), in Japanese.
#include <string>

#include "platform/types.h"

namespace win {

// The message for a code in the ANSI code page, ending like the system's messages in "。" and
// CR LF. A code without a text of its own gets a general message that names the number.
std::string SystemMessage(DWORD code);

}  // namespace win
