#pragma once
// The registry files of the system root and this process's parsed copies of them. Every call works
// on a copy that is current with its file: the copy is read again only when the file changed since
// it was parsed (its identity or the save counter beside it), a writer holds an exclusive flock on
// the lock file beside the registry file from reading to saving, and a change is written at once
// as a whole new file that replaces the old one (temporary file, fsync, rename).
#include <functional>

#include "registry_file.h"

namespace win::regstore {

enum class HiveFile { Machine, User, UserDefault };  // system.reg, user.reg, userdef.reg

// Runs fn on the hive. ERROR_BADDB when the file is not a registry file.
DWORD Read(HiveFile file, const std::function<DWORD(const regfile::Hive&)>& fn);

// Runs fn on the hive under an exclusive lock and saves the hive when fn sets `changed`. When the
// save fails, fn's changes are dropped with the copy (the file keeps its old content) and the
// save's error is returned.
DWORD Write(HiveFile file, const std::function<DWORD(regfile::Hive&, bool& changed)>& fn);

}  // namespace win::regstore
