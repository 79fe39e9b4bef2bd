#include "newsgate/About.h"

#include "newsgate/FormLayout.h"
#include "newsgate/MainVersion.h"
#include "newsgate/Texts.h"

namespace newsgate {

TFormAbout::TFormAbout() : TForm("FormAbout") {
  SetCaption(texts::kAboutCaption);
  SetBorderStyle(forms::bsDialog);
  SetBorderIcons(forms::biSystemMenu);
  SetClientSize(253, 99);
  SetPosition(forms::poMainFormCenter);
  SetFont(UiFont());

  Label1 = PlaceLabel(this, "Label1", 4, 0, 245, 29, texts::kProductName);
  forms::TFont title = Label1->Font();
  title.Name = texts::kProductFont;
  title.Height = -24;
  title.Style = forms::fsBold | forms::fsItalic;
  Label1->SetFont(title);
  LbVersion = PlaceLabel(this, "LbVersion", 4, 32, 249, 17, GetVersionString(ProgramFileName()));
  Label2 = PlaceLabel(this, "Label2", 4, 48, 249, 21, texts::kMakerNotice);
  Label2->SetFont(UiFont(16));
  for (forms::TLabel* label : {Label1, LbVersion, Label2}) label->SetAlignment(forms::taCenter);

  BtnOK = Place<forms::TButton>(this, "BtnOK", 176, 72, 75, 25, texts::kOK);
  BtnOK->SetDefault(true);
  BtnOK->SetCancel(true);
  BtnOK->SetModalResult(forms::mrOk);
}

}  // namespace newsgate
