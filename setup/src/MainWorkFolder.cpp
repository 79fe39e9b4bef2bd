#include "setup/MainWorkFolder.h"

namespace setup {

std::string WorkFolderPath(const std::string& tempFolder, int n) {
  return tempFolder + "BSTMP" + std::to_string(n) + "\\";
}

std::string CreateWorkFolder(const std::string& tempFolder) {
  for (int n = 1; n < kWorkFolders; ++n) {
    std::string folder = WorkFolderPath(tempFolder, n);
    if (FolderExists(folder)) continue;
    ForceFolder(folder);
    return folder;
  }
  std::string last = WorkFolderPath(tempFolder, kWorkFolders);
  if (!FolderExists(last)) ForceFolder(last);
  return last;
}

void RemoveWorkFolders(const std::string& tempFolder, SetupMode mode) {
  if (tempFolder.empty()) return;  // no start-up ran: nothing was made
  for (int n = 1; n <= kWorkFolders; ++n) {
    std::string folder = WorkFolderPath(tempFolder, n);
    if (FolderExists(folder)) DeleteFolderItems(folder, "*.*|", mode);
  }
}

}  // namespace setup
