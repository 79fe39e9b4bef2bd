// The folders the uninstall run leaves alone, and deletions that never reach them.
#include <algorithm>
#include <optional>
#include <system_error>

#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/root.h"
#include "setup/MainHelpers.h"
#include "setup/MainUnSetup.h"
#include "setup/uStrOp.h"

namespace setup {

namespace {

namespace fs = std::filesystem;

std::string AsciiUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// The full path of a folder in ASCII upper case with a trailing backslash; nullopt when it has
// none (empty, UNC).
std::optional<std::string> FolderText(const std::string& folder) {
  std::optional<std::string> full = win::FullPathName(folder.empty() ? "." : folder);
  if (!full) return std::nullopt;
  return AsciiUpper(AddDelimiter(*full, "B"));
}

// The host folder with links resolved and without a trailing separator; nullopt when the path
// leads nowhere on the host.
std::optional<fs::path> CanonicalHost(const fs::path& host) {
  std::error_code error;
  fs::path canonical = fs::weakly_canonical(host, error);
  if (error) return std::nullopt;
  if (!canonical.has_filename() && canonical.has_relative_path())
    canonical = canonical.parent_path();
  return canonical;
}

std::optional<fs::path> HostFolder(const std::string& folder) {
  std::optional<fs::path> host = win::HostPath(folder.empty() ? "." : folder);
  return host ? CanonicalHost(*host) : std::nullopt;
}

// Whether inner is outer or lies inside it, component by component.
bool Within(const fs::path& inner, const fs::path& outer) {
  auto [o, i] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
  return o == outer.end();
}

bool HasWildcards(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

// The matches of a pattern deleted one by one, passing over protected folders.
win::DWORD DeleteMatches(const std::string& pattern, const ProtectedFolders& protect) {
  const std::string folder = FolderPart(pattern);
  std::vector<win::WIN32_FIND_DATAA> matches;
  win::FileSearch search;
  win::WIN32_FIND_DATAA entry;
  for (bool found = search.First(pattern, entry); found; found = search.Next(entry)) {
    if (entry.cFileName != "." && entry.cFileName != "..") matches.push_back(entry);
  }
  win::DWORD first = win::ERROR_SUCCESS;
  for (const win::WIN32_FIND_DATAA& match : matches) {
    const std::string path = folder + match.cFileName;
    const bool isFolder = (match.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder && protect.Covers(path)) continue;
    win::DWORD result =
        isFolder ? win::ShellDeletePath(path) : DeletePath(path, SetupMode::UnSetup);
    if (first == win::ERROR_SUCCESS) first = result;
  }
  return first;
}

}  // namespace

ProtectedFolders::ProtectedFolders(const FolderValues& folders) {
  for (const std::string* folder :
       {&folders.temp, &folders.windows, &folders.system, &folders.programFiles, &folders.startMenu,
        &folders.programs, &folders.desktop, &folders.startup, &folders.sendTo,
        &folders.commonStartMenu, &folders.commonPrograms, &folders.commonDesktop,
        &folders.commonStartup}) {
    Add(*folder);
  }
  Add("C:\\users\\" + win::LoginName() + "\\");
  Add("C:\\ProgramData\\");
  for (char letter : win::DriveLetters()) {
    if (std::optional<fs::path> root = win::DriveRoot(letter))
      if (std::optional<fs::path> host = CanonicalHost(*root)) hosts_.push_back(*host);
  }
}

void ProtectedFolders::Add(const std::string& folder) {
  if (RemoveDelimiter(folder, "B").empty()) return;  // a folder the system could not give
  if (std::optional<std::string> text = FolderText(folder)) texts_.push_back(*text);
  if (std::optional<fs::path> host = HostFolder(folder)) hosts_.push_back(*host);
}

bool ProtectedFolders::Covers(const std::string& folder) const {
  if (folder.size() == 3) return true;
  if (std::optional<std::string> text = FolderText(folder)) {
    if (text->size() <= 3) return true;  // a drive root however written
    for (const std::string& kept : texts_)
      if (kept.starts_with(*text)) return true;
  }
  if (std::optional<fs::path> host = HostFolder(folder)) {
    for (const fs::path& kept : hosts_)
      if (Within(kept, *host)) return true;
  }
  return false;
}

win::DWORD DeleteUnprotected(const std::string& path, const ProtectedFolders& protect) {
  if (HasWildcards(path)) {
    std::optional<std::string> full = win::FullPathName(path);
    if (full && protect.Covers(FolderPart(*full))) return DeleteMatches(*full, protect);
  }
  return DeletePath(path, SetupMode::UnSetup);
}

}  // namespace setup
