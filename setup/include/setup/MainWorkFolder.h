#pragma once
// The work folders of the program in the temporary folder: "BSTMP1\" to "BSTMP99\". Each start
// takes one for the copies of the program and of its script or log; the end removes them all.
#include <string>

#include "setup/MainHelpers.h"

namespace setup {

constexpr int kWorkFolders = 99;

// Temporary folder (with its trailing backslash) + "BSTMP" + n + "\".
std::string WorkFolderPath(const std::string& tempFolder, int n);

// Creates the first work folder that does not exist and returns it; when all exist, the last.
std::string CreateWorkFolder(const std::string& tempFolder);

// Removes every work folder of the temporary folder with all it holds, this start's and those
// that earlier starts left. Nothing for an empty temporary folder.
void RemoveWorkFolders(const std::string& tempFolder, SetupMode mode);

}  // namespace setup
