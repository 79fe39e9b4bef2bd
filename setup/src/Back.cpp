#include "setup/Back.h"

#include <charconv>
#include <cstdio>

#include "setup/Main.h"
#include "setup/MainLayout.h"
#include "setup/MainTexts.h"

namespace setup {

using namespace forms;

namespace {

// The label font: the window's, in another face, height, style and colour.
TFont LabelFont(const char* name, int height, TColor color) {
  TFont font = WindowFont();
  if (name) font.Name = name;
  font.Height = height;
  font.Style = fsItalic;
  font.Color = color;
  return font;
}

TLabel* AddLabel(TForm* form, const char* name, int left, int top, const TFont& font) {
  TLabel* label = AddControl<TLabel>(form, name, left, top, 0, 0);
  label->SetFont(font);
  label->SetTransparent(true);
  return label;
}

// A whole number at the start of text, 0 when there is none.
int LeadingNumber(std::string_view text) {
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

}  // namespace

TfrmBack::TfrmBack() : TForm("frmBack") {
  SetCaption("Orvane");
  SetColor(clBlack);
  SetEnabled(false);
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu);
  SetWindowState(wsMaximized);
  SetPosition(poDefault);
  SetFont(WindowFont());
  GradBox = Add<TGradBox>("GradBox");
  GradBox->SetAlign(alClient);
  GradBox->SetStartColor(clBlue);
  GradBox->SetEndColor(clBlack);
  GradBox->SetGradStep(128);
  GradBox->SetDirection(gdVertical);
  lblBackTitle2 = AddLabel(this, "lblBackTitle2", 39, 16, LabelFont(nullptr, -32, clGreen));
  lblBackTitle1 = AddLabel(this, "lblBackTitle1", 16, 16, LabelFont(nullptr, -32, clWhite));
  for (TLabel* title : {lblBackTitle2, lblBackTitle1}) title->SetCaption("Orvane");
  lblPrgTitle2 =
      AddLabel(this, "lblPrgTitle2", 8, 56, LabelFont(uitexts::kFontPMincho, -16, clBlue));
  lblPrgTitle1 =
      AddLabel(this, "lblPrgTitle1", 8, 48, LabelFont(uitexts::kFontPMincho, -16, clWhite));
  lblPrgTitle2->Hide();
  lblPrgTitle1->Hide();
  OnResize = [this] { FormResize(); };
}

// Runs once: later resizes (after the start-up placed the credit lines, or while the main window
// is up) change nothing.
void TfrmBack::FormResize() {
  if (lblPrgTitle1->Visible() || frmMain->Modal()) return;
  SetCaption("Orvane Standard Version" + VersionText(SplitVersion(ProgramVersion())));
  lblBackTitle2->SetBounds(lblBackTitle1->Left() + 2, lblBackTitle1->Top() + 2,
                           lblBackTitle2->Width(), lblBackTitle2->Height());
  frmMain->ShowModal();
  Close();
}

void TfrmBack::ShowBanner(const std::string& banner) {
  lblPrgTitle1->SetCaption(banner);  // sizes itself to the text
  lblPrgTitle1->SetAutoSize(false);
  const int width = lblPrgTitle1->Width() + 8, height = lblPrgTitle1->Height();
  lblPrgTitle1->SetBounds(Width() - width - 24, Height() - height - 48, width, height);
  lblPrgTitle2->SetCaption(banner);
  lblPrgTitle2->SetBounds(lblPrgTitle1->Left() + 2, lblPrgTitle1->Top() + 2, lblPrgTitle2->Width(),
                          lblPrgTitle2->Height());
  lblPrgTitle1->Show();
  lblPrgTitle2->Show();
  for (TLabel* title : {lblBackTitle1, lblBackTitle2}) {
    title->SetAutoSize(false);
    title->SetWidth(Width() - 24);
  }
}

void TfrmBack::ShowTitle(const std::string& title) {
  lblBackTitle1->SetCaption(title);
  lblBackTitle2->SetCaption(title);
}

VersionNumbers SplitVersion(std::string_view version) {
  int fields[3] = {};
  for (int& field : fields) {
    const std::size_t dot = version.find('.');
    if (dot == std::string_view::npos) continue;
    field = LeadingNumber(version.substr(0, dot));
    version.remove_prefix(dot + 1);
  }
  return {fields[0], fields[1], fields[2], LeadingNumber(version)};
}

std::string VersionText(const VersionNumbers& version) {
  const int minorRelease =
      LeadingNumber(std::to_string(version.minor) + std::to_string(version.release));
  char text[64];
  std::snprintf(text, sizeof text, "%d.%02d(Build:%04d)", version.major, minorRelease,
                version.build);
  return text;
}

std::string_view ProgramVersion() { return WS_VERSION; }

}  // namespace setup
