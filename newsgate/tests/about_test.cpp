// The about box and the version text it shows.
#include "newsgate/About.h"

#include "newsgate/MainVersion.h"
#include "window_support.h"

namespace newsgate {
namespace {

class AboutTest : public WindowTest {
 protected:
  std::string Record(unsigned flags) {
    const TVersionRecord record = MakeVersionRecord(1, 2, 3, 45, flags);
    return std::string(record.begin(), record.end());
  }
};

TEST_F(AboutTest, TheDesign) {
  forms::TForm main("FormMain");
  main.SetBounds(100, 100, 637, 259);
  app->QueueStep([] {
    auto about = forms::CreateForm<TFormAbout>();
    EXPECT_EQ(about->ShowModal(), forms::mrOk);
  });
  app->QueueStep([&] {
    auto* about = dynamic_cast<TFormAbout*>(forms::Screen().ActiveForm());
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->Caption(), A("Feldrunについて"));
    EXPECT_EQ(about->BorderStyle(), forms::bsDialog);
    EXPECT_EQ(about->BorderIcons(), forms::biSystemMenu);
    EXPECT_EQ(about->ClientWidth(), 253);
    EXPECT_EQ(about->ClientHeight(), 99);
    EXPECT_EQ(about->Left() + about->Width() / 2, 100 + 637 / 2) << "centred on the main window";
    EXPECT_EQ(about->Top() + about->Height() / 2, 100 + 259 / 2);
    ExpectDialogFont(*about);
    ExpectDesign(*about, {
                             {"Label1", "FormAbout", 4, 0, 245, 29, "Feldrun"},
                             {"LbVersion", "FormAbout", 4, 32, 249, 17},
                             {"Label2", "FormAbout", 4, 48, 249, 21},
                             {"BtnOK", "FormAbout", 176, 72, 75, 25, "OK"},
                         });
    EXPECT_EQ(about->Label1->Font().Name, "Times New Roman");
    EXPECT_EQ(about->Label1->Font().Height, -24);
    EXPECT_EQ(about->Label1->Font().Style, forms::fsBold | forms::fsItalic);
    EXPECT_EQ(about->Label2->Font().Name, A("ＭＳ Ｐゴシック"));
    EXPECT_EQ(about->Label2->Font().Height, -16);
    EXPECT_FALSE(about->Label2->Caption().empty());
    for (forms::TLabel* label : {about->Label1, about->LbVersion, about->Label2})
      EXPECT_EQ(label->Alignment(), forms::taCenter) << label->Name();
    EXPECT_TRUE(about->BtnOK->Default());
    EXPECT_TRUE(about->BtnOK->Cancel());
    // this test program carries no version record
    EXPECT_EQ(about->LbVersion->Caption(), "");
    EXPECT_EQ(about->BtnOK->UserClick(), forms::InputResult::Done);
  });
  app->QueueStep([&] { main.Close(); });
  app->Run(main);
  EXPECT_TRUE(forms::Screen().ZOrder().empty());
}

TEST_F(AboutTest, TheVersionTextOfARecordAnywhereInTheFile) {
  const std::string piece(65536, 'x');
  struct Case {
    const char* name;
    std::string bytes;
    std::string text;
  } cases[] = {
      {"no flags", "head" + Record(0) + "tail", "1.2.3 Build 45 "},
      {"beta", Record(1), "1.2.3 Build 45 [beta]"},
      {"alpha", Record(2), "1.2.3 Build 45 [alpha]"},
      {"beta and alpha together", Record(3), "1.2.3 Build 45 "},
      {"across two pieces of the reading", piece.substr(10) + Record(2), "1.2.3 Build 45 [alpha]"},
      {"after a stray marker", std::string(kVersionMarker) + "junk" + Record(1),
       "1.2.3 Build 45 [beta]"},
      {"a damaged record", Record(1).replace(20, 1, "\x01"), ""},
      {"a record cut short", "x" + Record(1).substr(0, 31), ""},
      {"no record", piece, ""},
      {"an empty file", "", ""},
  };
  for (const Case& c : cases) {
    WriteFile("C:\\program.exe", c.bytes);
    EXPECT_EQ(GetVersionString("C:\\program.exe"), c.text) << c.name;
  }
  EXPECT_EQ(GetVersionString(""), "");
  EXPECT_EQ(GetVersionString("C:\\missing.exe"), "");
  EXPECT_EQ(GetVersionString("C:\\"), "") << "a folder";
  EXPECT_EQ(FormatVersion({65535u << 16 | 65535u, 65535u << 16 | 65535u, 0}),
            "65535.65535.65535 Build 65535 ");
}

}  // namespace
}  // namespace newsgate
