#pragma once
// The about box: the product name, the version text of the running program and the maker's
// notice. OK and the escape key close it.
#include "forms/controls.h"
#include "forms/form.h"

namespace newsgate {

class TFormAbout : public forms::TForm {
 public:
  TFormAbout();

  forms::TLabel* Label1;
  forms::TLabel* LbVersion;
  forms::TLabel* Label2;
  forms::TButton* BtnOK;
};

}  // namespace newsgate
