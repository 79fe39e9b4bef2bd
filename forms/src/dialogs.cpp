#include "forms/dialogs.h"

#include "forms/application.h"

namespace forms {

bool TFileDialog::Execute() {
  std::optional<std::string> chosen = App().ChooseFile(kind_, *this);
  if (!chosen) return false;
  FileName = std::move(*chosen);
  return true;
}

}  // namespace forms
