// Script values of any shape through every value parser: no crash, no endless replacement, and
// fields that are pieces of the value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "setup/MainHelpers.h"
#include "setup/MainScript.h"
#include "setup/uStrOp.h"

namespace {

setup::FolderValues Folders() {
  setup::FolderValues f;
  f.source = "D:\\";
  f.programFiles = "C:\\Program Files\\";
  f.windows = "C:\\WINDOWS\\";
  f.system = "C:\\WINDOWS\\SYSTEM\\";
  f.temp = "C:\\TEMP\\";
  f.bootRoot = f.setupRoot = "C:\\";
  f.sourceRoot = "D:\\";
  f.programs = f.commonPrograms = "C:\\Menu\\Programs\\";
  f.desktop = f.commonDesktop = "\\";
  return f;  // (App) keeps its own token, as before the install run
}

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const setup::FolderValues folders = Folders();
  const std::string value(reinterpret_cast<const char*>(data), size);

  setup::CopyFileLine line = setup::ParseCopyFile(value);
  Require(line.flagText.size() <= value.size());
  setup::IniEntry ini = setup::ParseIniEntry(value);
  Require(ini.section.size() + ini.key.size() + ini.value.size() + ini.file.size() <= value.size());
  setup::ParseRegistryValue(value, folders);
  setup::ParseRelate({value, value}, folders);
  setup::ParseExecuteFile(value, folders);
  setup::ParseUnSetupOption(value);
  setup::ParseReferRegistry(value).key.openPath();
  setup::ParseReferIniFile(value, folders);
  setup::ShortcutBoxOf(value);
  setup::ShortcutBoxesNamed(value);
  setup::ShortcutTarget make = setup::ParseShortcutMake(value, folders);
  setup::ParseShortcutName(value, make.target, folders);
  setup::MakeFolderPath(value, folders);
  setup::StepPause(value);
  Require(setup::SearchForm(setup::ReplaceMacro(value, "(App)", "(APP)")) ==
          setup::SearchForm(value));

  for (char separator : {',', '|', '\\'}) {
    for (std::size_t n = 1; n <= 3; ++n)
      Require(setup::GetField(value, separator, n).size() <= size);
  }
  setup::AddDelimiter(value, "B");
  setup::RemoveDelimiter(value, "T");
  setup::FolderPart(value);
  setup::FileNamePart(value);
  setup::PosText(value.substr(0, 3), value);
  return 0;
}
