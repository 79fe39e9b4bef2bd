#pragma once
// What the uninstall run never removes, and the deletions that respect it.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/types.h"
#include "setup/MainMacros.h"

namespace setup {

// The folders of the system that the uninstall run leaves alone, wholly and in part: the
// temporary, Windows, System and Program Files folders, the shell's special folders with their
// all-users forms, the user's profile folder and its parents, the all-users data folder
// C:\ProgramData\, every drive root, and every folder that contains one of them. Folders are
// compared both as text (ASCII letters without regard to case) and as the host resolves them, so
// that another spelling of a protected folder ("..", "/", another letter case, a path through
// drive Z:) is protected too.
class ProtectedFolders {
 public:
  explicit ProtectedFolders(const FolderValues& folders);

  // The folder (with or without its trailing backslash) is protected or contains a protected
  // folder. A three-character folder such as C:\ always is.
  bool Covers(const std::string& folder) const;

 private:
  void Add(const std::string& folder);

  std::vector<std::string> texts_;  // full paths, ASCII upper case, with a trailing backslash
  std::vector<std::filesystem::path> hosts_;  // canonical host folders
};

// DeletePath in uninstall mode, except that a pattern never deletes a match that is a protected
// folder or contains one: such a pattern deletes its other matches one by one. 0 or the first
// error.
win::DWORD DeleteUnprotected(const std::string& path, const ProtectedFolders& protect);

}  // namespace setup
