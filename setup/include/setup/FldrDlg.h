#pragma once
// The folder browser component of the main window: Execute shows the system's folder browser and
// keeps the chosen folder.
#include <set>
#include <string>

#include "forms/form.h"

namespace setup {

enum TFolderDlgOption {
  bifBrowseForComputer,
  bifBrowseForPrinter,
  bifDontGoBelowDomain,
  bifReturnFSAncestors,
  bifReturnOnlyFSDirs,
  bifStatusText,
};
using TFolderDlgOptions = std::set<TFolderDlgOption>;

// The browse flags of a set of options.
unsigned BrowseFlags(const TFolderDlgOptions& options);

class TFolderDialog {
 public:
  // The owner is the form whose window the browser belongs to.
  explicit TFolderDialog(forms::TForm* owner) : owner_(owner) {}

  std::string Title;
  TFolderDlgOptions Option{bifReturnOnlyFSDirs};

  forms::TForm* Owner() const { return owner_; }
  // The folder chosen last, without a trailing backslash unless it is a drive root.
  const std::string& FolderPath() const { return folderPath_; }

  // True when the user chose a folder; a cancelled browser leaves FolderPath as it was.
  bool Execute();

 private:
  forms::TForm* owner_;
  std::string folderPath_;
};

}  // namespace setup
