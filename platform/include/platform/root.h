#pragma once
// The system root: one host folder that holds a whole emulated Windows system in Wine's prefix
// layout.
#include <filesystem>
#include <functional>
#include <string>

namespace win {

// The root in use: $WINROOT, else ~/.local/share/winroot, always absolute. On the first call for a
// root in this process the layout is completed: missing folders and drive links are created and
// missing registry defaults written; nothing that exists (an existing Wine prefix) is changed.
const std::filesystem::path& SystemRoot();

// Switches to another root (tests, the winroot command); its layout is completed on first use like
// the default. Every handler given to OnSystemRootChange runs afterwards.
void UseSystemRoot(const std::filesystem::path& root);

// Registers a handler that drops what a unit keeps about the current root (registry, profiles, code
// page). Handlers run after the switch, in the order registered, on the thread that switches.
void OnSystemRootChange(std::function<void()> handler);

// The login name (ANSI) whose profile folder C:\users\<name>\ holds the current user's folders.
const std::string& LoginName();

// The login name as the host spells it (UTF-8): the folder drive_c/users/<name>.
const std::string& HostLoginName();

}  // namespace win
