// The shortcut phase of the install run: one shortcut file per ShortCut entry whose box the user
// left checked, placed and named through the path macros.
#include "MainFileTests.h"
#include "platform/shell.h"
#include "setup/Main.h"
#include "setup/MainSetup.h"
#include "setup/MainSetupTexts.h"
#include "setup/uStrOp.h"

namespace setup {

namespace {

using std::string;

// Whether the user's boxes let an entry tied to the box be made; an entry tied to none always is.
bool Chosen(const ShortcutBoxes& choices, ShortcutBox box) {
  switch (box) {
    case ShortcutBox::Desktop:
      return choices.desktop;
    case ShortcutBox::StartMenu:
      return choices.startMenu;
    case ShortcutBox::Startup:
      return choices.startup;
    case ShortcutBox::SendTo:
      return choices.sendTo;
    case ShortcutBox::None:
      break;
  }
  return true;
}

}  // namespace

string MakeShortcut(const string& target, const string& linkName, string workingFolder,
                    const string& arguments) {
  const string linkPath = PosText(".lnk", linkName) ? linkName : linkName + ".lnk";
  if (workingFolder.empty() || !FolderExists(workingFolder)) workingFolder = FolderPart(target);
  workingFolder = AddDelimiter(workingFolder, "B");
  if (const string folder = FolderPart(linkPath); !FolderExists(folder)) ForceFolder(folder);
  if (PosText(".LNK", target)) {
    CopyOneFile(target, linkPath);
    return linkPath;
  }
  win::ShellLink link;
  link.SetPath(target);
  link.SetWorkingDirectory(workingFolder);
  if (!arguments.empty()) link.SetArguments(arguments);
  link.Save(linkPath);
  // Where no file is at the link path the system wrote a program information file instead.
  if (!internal::FileExists(linkPath)) return win::ProgramInformationPath(linkPath);
  return linkPath;
}

void TSetupRun::MakeShortcuts() {
  for (const ShortcutEntry& entry : script_.shortcuts) MakeShortcutEntry(entry);
}

void TSetupRun::MakeShortcutEntry(const ShortcutEntry& entry) {
  if (!Chosen(choices_, ShortcutBoxOf(entry.name))) return;
  const ShortcutTarget target = ParseShortcutMake(entry.make, state_.folders);
  const ShortcutPlace place = ParseShortcutName(entry.name, target.target, state_.folders);
  ShowStatus(string(runtexts::kCreatingShortcut) + "\rCreateTarget -> " + target.target +
             "\rCreating -> " + RemoveDelimiter(place.linkName, "T"));
  CheckAbort();
  const string created =
      MakeShortcut(target.target, place.linkName, place.workingFolder, target.arguments);
  Pause();
  if (!created.empty()) log_.AddShortcut(created);
}

}  // namespace setup
