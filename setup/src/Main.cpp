// The main window's controls.
#include "setup/Main.h"

#include "setup/MainLayout.h"
#include "setup/MainTexts.h"

namespace setup {

using namespace forms;

TFont WindowFont() {
  TFont font;
  font.Name = uitexts::kFontPGothic;
  font.Height = -12;
  font.Charset = SHIFTJIS_CHARSET;
  return font;
}

TfrmMain::TfrmMain(ProgramStart start)
    : TForm("frmMain"), dlgFolder(this), start_(std::move(start)) {
  SetCaption("Orvane");
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu);
  SetFont(WindowFont());
  SetClientSize(489, 313);
  SetPosition(poScreenCenter);
  CreatePages();
  CreateFolderGroup();
  CreateOptionGroup();
  CreateButtons();
  dlgFolder.Title = uitexts::kChooseSetupFolder;
  OnActivate = [this] { FormActivate(); };
  OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
  OnClose = [this](TCloseAction& action) { FormClose(action); };
}

void TfrmMain::CreatePages() {
  fraReadme = AddControl<TGroupBox>(this, "fraReadme", 8, 8, 473, 265);
  fraReadme->Hide();
  txtReadme = AddControl<TMemo>(fraReadme, "txtReadme", 8, 16, 457, 241);
  txtReadme->SetReadOnly(true);
  txtReadme->SetScrollBars(ssVertical);
  txtReadme->SetFontName(uitexts::kFontGothic);

  grpMessage = AddControl<TGroupBox>(this, "grpMessage", 8, 8, 473, 113);
  grpMessage->Hide();
  grpMessage->SetCaption(uitexts::kMessage);
  lblMessage = AddControl<TLabel>(grpMessage, "lblMessage", 8, 16, 457, 89);
  lblMessage->SetAutoSize(false);
  lblMessage->SetWordWrap(true);
}

void TfrmMain::CreateFolderGroup() {
  grpSetupFolder = AddControl<TGroupBox>(this, "grpSetupFolder", 8, 128, 473, 49);
  grpSetupFolder->Hide();
  grpSetupFolder->SetCaption(uitexts::kSetupFolder);
  txtFolder = AddControl<TEdit>(grpSetupFolder, "txtFolder", 8, 16, 401, 24);
  txtFolder->SetEnabled(false);
  txtFolder->SetFontHeight(-16);
  btnRefer = AddControl<TButton>(grpSetupFolder, "btnRefer", 416, 16, 49, 25);
  btnRefer->SetEnabled(false);
  btnRefer->SetCaption(uitexts::kRefer);
  btnRefer->OnClick = [this] { btnReferClick(); };
}

void TfrmMain::CreateOptionGroup() {
  grpOption = AddControl<TGroupBox>(this, "grpOption", 8, 184, 473, 89);
  grpOption->Hide();
  grpOption->SetCaption(uitexts::kSetupOption);
  chkOverWrite = AddControl<TCheckBox>(grpOption, "chkOverWrite", 8, 16, 457, 17);
  chkOverWrite->SetEnabled(false);
  chkOverWrite->SetChecked(true);
  chkOverWrite->SetCaption(uitexts::kOverWrite);
  fraShortCut = AddControl<TGroupBox>(grpOption, "fraShortCut", 8, 40, 457, 41);
  fraShortCut->SetCaption(uitexts::kMakeShortcuts);
  lblUnSetupInfo = AddControl<TLabel>(fraShortCut, "lblUnSetupInfo", 8, 8, 441, 25);
  lblUnSetupInfo->Hide();
  lblUnSetupInfo->SetWordWrap(true);
  auto box = [this](const char* name, int left, const char* caption) {
    auto* check = AddControl<TCheckBox>(fraShortCut, name, left, 16, 105, 17);
    check->SetEnabled(false);
    check->SetCaption(caption);
    return check;
  };
  chkSCutDesktop = box("chkSCutDesktop", 8, uitexts::kDesktop);
  chkSCutStartMenu = box("chkSCutStartMenu", 120, uitexts::kStartMenu);
  chkSCutStartUp = box("chkSCutStartUp", 232, uitexts::kStartUp);
  chkSCutSendTo = box("chkSCutSendTo", 344, uitexts::kSendTo);
}

void TfrmMain::CreateButtons() {
  btnEvent = AddControl<TButton>(this, "btnEvent", 64, 280, 161, 25);
  btnEvent->SetEnabled(false);
  btnEvent->OnClick = [this] { btnEventClick(); };
  btnEnd = AddControl<TButton>(this, "btnEnd", 264, 280, 161, 25);
  btnEnd->SetEnabled(false);
  btnEnd->SetCaption(uitexts::kSetupEnd);
  btnEnd->OnClick = [this] { btnEndClick(); };
  lblFormShare = AddControl<TLabel>(this, "lblFormShare", 8, 296, 0, 0);
  lblFormShare->Hide();
  lblFormShare->SetCaption("Can't Delete");
}

}  // namespace setup
