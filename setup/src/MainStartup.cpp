// The start-up on the main window's first activation: the mode, the folders, the work folder with
// the copies, and the page of the chosen mode.
#include <fstream>
#include <iterator>

#include "MainFileTests.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "setup/Back.h"
#include "setup/Main.h"
#include "setup/MainTexts.h"
#include "setup/MainWorkFolder.h"
#include "setup/Texts.h"
#include "setup/uIniFile.h"
#include "setup/uStrOp.h"

namespace setup {

namespace {

using internal::FileExists;
using std::string;

// Shown at the bottom right when the script names no copyright lines.
constexpr char kBuiltInBanner[] = "Orvane Standard Setup\r\nScript-driven installer";

// The lines of a text file joined by CR LF, as a memo holds them; empty when it cannot be read.
string ReadTextFile(const string& path) {
  std::optional<std::filesystem::path> host = win::HostPath(path);
  if (!host) return {};
  std::ifstream in(*host, std::ios::binary);
  string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') {
      text += bytes[i];
      continue;
    }
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    if (i + 1 < bytes.size()) text += "\r\n";
  }
  return text;
}

// The string value that [DefaultFolder] ReferRegistry names; empty when the key does not exist.
string RegistryFolder(const string& refer) {
  ReferRegistry parsed = ParseReferRegistry(refer);
  win::RegKey key;
  string value;
  if (win::RegKey::Open(parsed.key.root(), parsed.key.openPath(), key) == win::ERROR_SUCCESS)
    key.QueryString(parsed.valueName, value);
  return value;
}

// The profile value that [DefaultFolder] ReferIniFile names.
string IniFileFolder(const string& refer, const FolderValues& folders) {
  ReferIniFile parsed = ParseReferIniFile(refer, folders);
  return ReadIniString(parsed.section, parsed.key, "", parsed.file);
}

// Ticks a shortcut box that a [ShortCut] name asks for.
void Tick(forms::TCheckBox* box, bool named, bool choicesEnabled) {
  if (!named) return;
  box->SetEnabled(choicesEnabled);
  box->SetChecked(true);
}

}  // namespace

string StartupFailures(const FolderValues& folders, bool scriptCopied) {
  string failures;
  if (folders.windowsMissing) failures += string(uitexts::kNoWindowsFolder) + "\r";
  if (folders.systemMissing) failures += string(uitexts::kNoSystemFolder) + "\r";
  if (!scriptCopied) failures += string(uitexts::kNoScript) + "\r";
  return failures;
}

void TfrmMain::FormActivate() {
  if (!btnEvent->Caption().empty()) return;
  if (string failures = PrepareWorkFolder(); !failures.empty()) {
    ShowFailedState(failures);
    return;
  }
  const bool install = State.mode == SetupMode::Setup;
  ReadTexts();
  frmBack->ShowBanner(Banner());
  txtFolder->SetText(AddDelimiter(ExpandPathMacros(State.folders, ProposedFolder()), "B"));
  const bool choicesEnabled = ReadScript("Extend", "Enabled") != "False";
  if (install) PrepareShortcutBoxes(choicesEnabled);
  State.messageText = install ? InstallMessage() : UninstallMessage();
  lblMessage->SetCaption(State.messageText);
  if (install) {
    txtFolder->SetEnabled(choicesEnabled);
    btnRefer->SetEnabled(choicesEnabled);
    chkOverWrite->SetEnabled(choicesEnabled);
  }
  ShowTitlesAndCaptions();
  if (install)
    ShowInstallPage();
  else
    ShowUninstallPage();
}

// The folders, the mode, the work folder and the copies; the fatal failures found on the way.
string TfrmMain::PrepareWorkFolder() {
  SetCloseCommandEnabled(false);
  State.folders = DetermineFolders(FolderPart(start_.programFile));
  const string argument = start_.args.empty() ? string() : start_.args.front();
  State.mode = FileNamePart(argument) == "UNSETUP.INI" ? SetupMode::UnSetup : SetupMode::Setup;
  State.workFolder = CreateWorkFolder(State.folders.temp);
  CopyOneFile(State.folders.source + FileNamePart(start_.programFile),
              State.workFolder + "SETUPB.EXE");
  if (State.mode == SetupMode::UnSetup) {
    State.scriptCopy = State.workFolder + "UNSETUP.INI";
    CopyOneFile(argument, State.scriptCopy);
  } else {
    State.scriptCopy = State.workFolder + "SETUP.INI";
    const string script = State.folders.source + "SETUP.INI";
    if (FileExists(script)) CopyOneFile(script, State.scriptCopy);
  }
  return StartupFailures(State.folders, FileExists(State.scriptCopy));
}

void TfrmMain::ShowFailedState(const string& failures) {
  State.messageText = failures + "\r\n" + uitexts::kCannotContinue;
  lblMessage->SetCaption(State.messageText);
  btnEvent->SetCaption(uitexts::kStartProcessing);
  btnEnd->SetCaption(uitexts::kEnd);
  btnEnd->SetEnabled(true);
  ShowReadmePage(false);
}

string TfrmMain::ReadScript(const char* section, const string& key, const string& def) const {
  return ReadIniString(section, key, def, State.scriptCopy);
}

void TfrmMain::ReadTexts() {
  State.setupWord = ReadScript("Extend", "SetupString", texts::kSetupWord);
  State.unSetupWord = ReadScript("Extend", "UnSetupString", texts::kUnSetupWord);
  State.stepPause =
      StepPause(ReadScript("Extend", "SetupSpeed", std::to_string(kDefaultStepPause)));
  State.setupTitle = ReadScript("Title", "Setup", "Orvane");
  State.unSetupTitle = ReadScript("Title", "UnSetup", State.setupTitle);
  if (State.mode == SetupMode::Setup) State.programId = ReadScript("ProgramID", "ID");
}

string TfrmMain::Banner() const {
  string banner = ReadScript("Title", "CopyRight1") + "\r\n" + ReadScript("Title", "CopyRight2");
  return banner == "\r\n" ? string(kBuiltInBanner) : banner;
}

// The setup folder proposed, before expansion.
string TfrmMain::ProposedFolder() const {
  if (State.mode == SetupMode::UnSetup) return ReadScript("SetupFolder", "Folder");
  return ProposedInstallFolder();
}

// The script's default, overridden by the folder of an earlier installation of the same program,
// then by the registry value and the profile value the script refers to.
string TfrmMain::ProposedInstallFolder() const {
  string folder = ReadScript("DefaultFolder", "Folder", "(Prg)\\");
  auto overrideBy = [&folder](string value) {
    if (!value.empty()) folder = std::move(value);
  };
  if (!State.programId.empty())
    overrideBy(ReadIniString(State.programId, "Folder", "", State.folders.windows + "ORVAN98.INI"));
  if (string refer = ReadScript("DefaultFolder", "ReferRegistry"); !refer.empty())
    overrideBy(RegistryFolder(refer));
  if (string refer = ReadScript("DefaultFolder", "ReferIniFile"); !refer.empty())
    overrideBy(IniFileFolder(refer, State.folders));
  return folder;
}

void TfrmMain::PrepareShortcutBoxes(bool choicesEnabled) {
  for (const string& name : ReadFamily(State.scriptCopy, "ShortCut", "Name")) {
    const ShortcutBoxes named = ShortcutBoxesNamed(name);
    Tick(chkSCutDesktop, named.desktop, choicesEnabled);
    Tick(chkSCutStartMenu, named.startMenu, choicesEnabled);
    Tick(chkSCutStartUp, named.startup, choicesEnabled);
    Tick(chkSCutSendTo, named.sendTo, choicesEnabled);
  }
}

string TfrmMain::InstallMessage() const {
  string text;
  for (int n = 1; n <= 5; ++n)
    text += ReadScript("TopMessage", "Message" + std::to_string(n)) + "\r";
  if (text == "\r\r\r\r\r") text = State.setupWord + uitexts::kWillPerform + "\r";
  return text + "\r" + uitexts::kCloseProgramsFirst;
}

string TfrmMain::UninstallMessage() const {
  return State.unSetupWord + uitexts::kWillPerform + "\r\r" + uitexts::kToStartChoose +
         State.unSetupWord + uitexts::kStartChosen + "\r";
}

void TfrmMain::ShowTitlesAndCaptions() {
  const string& title = State.mode == SetupMode::Setup ? State.setupTitle : State.unSetupTitle;
  frmBack->ShowTitle(title);
  SetCaption(title);
  grpSetupFolder->SetCaption(State.setupWord + uitexts::kFolder);
  grpOption->SetCaption(State.setupWord + uitexts::kOption);
  btnEnd->SetCaption(State.setupWord + uitexts::kEnd);
}

// The read-me page when the script names a read-me file that exists, else the message page.
void TfrmMain::ShowInstallPage() {
  const string readme = ReadmePath(State.folders.source, ReadScript("Readme", "File"));
  btnEnd->SetEnabled(true);
  if (readme.empty() || !FileExists(readme)) {
    btnEvent->SetCaption(State.setupWord + uitexts::kStart);
    btnEvent->SetEnabled(true);
    ShowReadmePage(false);
    return;
  }
  btnEvent->SetCaption(State.setupWord + uitexts::kContinue);
  btnEvent->SetEnabled(true);
  btnEvent->SetFocus();
  txtReadme->SetText(ReadTextFile(readme));
  fraReadme->SetCaption(ReadScript("Readme", "Title"));
  const string scrollBars = ReadScript("Readme", "ScrollBars");
  if (scrollBars == "ssVertical") txtReadme->SetScrollBars(forms::ssVertical);
  if (scrollBars == "ssHorizontal") txtReadme->SetScrollBars(forms::ssHorizontal);
  if (scrollBars == "ssBoth") txtReadme->SetScrollBars(forms::ssBoth);
  ShowReadmePage(true);
}

void TfrmMain::ShowUninstallPage() {
  const string& word = State.unSetupWord;
  grpSetupFolder->SetCaption(word + uitexts::kFolder);
  txtFolder->SetReadOnly(true);
  txtFolder->SetEnabled(true);
  btnEvent->SetCaption(word + uitexts::kStart);
  btnEvent->SetEnabled(true);
  btnEnd->SetCaption(word + uitexts::kEnd);
  btnEnd->SetEnabled(true);
  grpOption->SetCaption(word + uitexts::kOption);
  chkOverWrite->Hide();
  fraShortCut->SetCaption(uitexts::kAddedFiles);
  fraShortCut->SetBounds(fraShortCut->Left(), chkOverWrite->Top(), fraShortCut->Width(),
                         grpOption->Height() - 24);
  PrepareUninstallOptions();
  lblUnSetupInfo->SetTop(chkSCutDesktop->Top() + chkSCutDesktop->Height() + 2);
  lblUnSetupInfo->SetCaption(uitexts::kWideSpace + word + uitexts::kUnSetupInfo);
  lblUnSetupInfo->Show();
  ShowReadmePage(false);
}

// The option boxes of the log: the whole setup folder, or the "*.INI" and "*.GID" files in it.
void TfrmMain::PrepareUninstallOptions() {
  const UnSetupOption option =
      ParseUnSetupOption(ReadScript("UnSetupOption", "CheckBox", "0,0,0,0"));
  if (option.deleteAll) {
    chkSCutDesktop->SetCaption(State.unSetupWord + uitexts::kWholeFolder);
    chkSCutDesktop->SetWidth(fraShortCut->Width() - 16);
    chkSCutDesktop->SetChecked(true);
    chkSCutDesktop->SetEnabled(true);
    for (forms::TCheckBox* other : {chkSCutStartMenu, chkSCutStartUp, chkSCutSendTo}) {
      other->SetChecked(false);
      other->Hide();
    }
    return;
  }
  struct Box {
    forms::TCheckBox* box;
    const char* caption;
    bool enabled;
  } boxes[] = {{chkSCutDesktop, uitexts::kIniFiles, true},
               {chkSCutStartMenu, uitexts::kGidFiles, true},
               {chkSCutStartUp, "", false},
               {chkSCutSendTo, "", false}};
  for (std::size_t i = 0; i < std::size(boxes); ++i) {
    boxes[i].box->SetCaption(boxes[i].caption);
    boxes[i].box->SetChecked(option.checked[i]);
    boxes[i].box->SetEnabled(boxes[i].enabled);
  }
}

}  // namespace setup
