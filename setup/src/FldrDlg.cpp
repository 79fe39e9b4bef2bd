#include "setup/FldrDlg.h"

#include <utility>

#include "forms/application.h"
#include "forms/dialogs.h"

namespace setup {

unsigned BrowseFlags(const TFolderDlgOptions& options) {
  static constexpr std::pair<TFolderDlgOption, unsigned> kFlags[] = {
      {bifBrowseForComputer, forms::BIF_BROWSEFORCOMPUTER},
      {bifBrowseForPrinter, forms::BIF_BROWSEFORPRINTER},
      {bifDontGoBelowDomain, forms::BIF_DONTGOBELOWDOMAIN},
      {bifReturnFSAncestors, forms::BIF_RETURNFSANCESTORS},
      {bifReturnOnlyFSDirs, forms::BIF_RETURNONLYFSDIRS},
      {bifStatusText, forms::BIF_STATUSTEXT},
  };
  unsigned flags = 0;
  for (auto [option, flag] : kFlags)
    if (options.contains(option)) flags |= flag;
  return flags;
}

bool TFolderDialog::Execute() {
  std::optional<std::string> chosen = forms::App().BrowseForFolder(Title, BrowseFlags(Option));
  if (!chosen) return false;
  folderPath_ = std::move(*chosen);
  return true;
}

}  // namespace setup
