// File, folder, registry-key and free-space helpers.
#include "MainFileTests.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "setup/MBUtils.h"
#include "setup/MainHelpers.h"
#include "setup/MainMacros.h"
#include "setup/MainShared.h"
#include "setup/uStrOp.h"

namespace setup {

namespace {

using internal::Exists;
using internal::FileExists;

bool HasWildcards(std::string_view path) {
  return path.find_first_of("*?") != std::string_view::npos;
}

}  // namespace

// The target's attributes are cleared before and after the copy where it exists (the call does
// nothing where it does not).
win::DWORD CopyOneFile(const std::string& source, const std::string& target) {
  win::SetFileAttributesA(target, win::FILE_ATTRIBUTE_ARCHIVE);
  bool copied = win::CopyFileA(source, target, win::FALSE) != win::FALSE;
  win::DWORD error = win::GetLastError();
  win::SetFileAttributesA(target, win::FILE_ATTRIBUTE_ARCHIVE);
  return copied ? win::ERROR_SUCCESS : error;
}

win::DWORD DeletePath(const std::string& path, SetupMode mode) {
  if (!FileExists(path) && !HasWildcards(path)) return win::ERROR_FILE_NOT_FOUND;
  if (IsControlFile(path)) RegisterControl(path, false, mode);
  return win::ShellDeletePath(path);
}

win::DWORD DeleteFolderItems(const std::string& folder, const std::string& masks, SetupMode mode) {
  std::string base = AddDelimiter(folder, "B");
  // every item is followed by "|" (a last one without counts too); empty items name nothing
  for (const std::string& item : SplitFields(masks, '|')) {
    if (!item.empty()) DeletePath(base + item, mode);
  }
  return win::RemoveDirectoryA(base) ? win::ERROR_SUCCESS : win::GetLastError();
}

bool FolderExists(const std::string& path) {
  win::FileSearch search;
  win::WIN32_FIND_DATAA entry;
  return search.First(RemoveDelimiter(path, "B") + "\\*.*", entry) != win::FALSE;
}

bool ForceFolder(const std::string& path) {
  std::string full = AddDelimiter(path, "B");
  bool result = true;
  for (std::size_t i = 0; i < full.size();
       i += IsLeadByte(static_cast<unsigned char>(full[i])) ? 2 : 1) {
    if (full[i] != '\\') continue;
    std::string prefix = full.substr(0, i + 1);
    if (!FolderExists(prefix)) result = win::CreateDirectoryA(prefix) != win::FALSE;
  }
  return result;
}

bool DeleteRegKey(const std::string& rootMacro, const std::string& key) {
  // A key of backslashes alone would name the root: never delete a whole hive.
  if (key.find_first_not_of('\\') == std::string::npos) return true;
  win::HKEY root = RegistryRoot(rootMacro);
  std::string path = AddDelimiter(key, "B");
  for (int attempt = 0; attempt < 99 && win::RegKeyExists(root, path); ++attempt) {
    win::RegDeleteTree(root, path);
  }
  return true;
}

DiskSpace FreeDiskSpaceEx(const std::string& drive) {
  std::uint64_t available = 0;
  if (!win::GetDiskFreeSpaceExA(AddDelimiter(drive, "B"), &available, nullptr, nullptr)) return {};
  return {true, static_cast<std::int64_t>(available)};
}

DiskSpace FreeDiskSpace(const std::string& drive) {
  win::DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!win::GetDiskFreeSpaceA(AddDelimiter(drive, "B"), &sectorsPerCluster, &bytesPerSector,
                              &freeClusters, &clusters)) {
    return {};
  }
  return {true, static_cast<std::int64_t>(freeClusters) * sectorsPerCluster * bytesPerSector};
}

}  // namespace setup
