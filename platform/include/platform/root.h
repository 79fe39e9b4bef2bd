#pragma once
// The system root: one host folder that holds a whole emulated Windows system in Wine's prefix layout.
#include <filesystem>
#include <string>

namespace win {

// The root in use: $WINROOT, else ~/.local/share/winroot. Created with the full layout (folders,
// drive links, registry files with the system's defaults) on first use.
const std::filesystem::path& SystemRoot();

// Switches to another root (tests, the winroot command); it is created on first use like the default.
// Every cache that belongs to the previous root (registry, profiles) is dropped.
void UseSystemRoot(const std::filesystem::path& root);

// The login name whose profile folder C:\users\<name>\ holds the current user's folders.
const std::string& LoginName();

}  // namespace win
