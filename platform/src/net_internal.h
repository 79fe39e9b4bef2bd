#pragma once
// Shared by the socket sources.
#include "platform/types.h"

namespace win::net {

// The WinSock code for an errno value.
DWORD WsaError(int error);

}  // namespace win::net
