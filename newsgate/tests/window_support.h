#pragma once
// What the window tests share: Shift-JIS texts, a fresh emulated system with the test driver as
// the Application, the filter list of the program with the dialogs installed, and the check of a
// form's designed controls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "forms/test_application.h"
#include "newsgate/Configdialog.h"
#include "newsgate/filterman.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "scratch_root.h"

namespace newsgate {

// ANSI bytes of a UTF-8 text.
inline std::string A(std::string_view utf8) { return win::Utf8ToAnsi(utf8); }

class WindowTest : public testing_support::ScratchRootTest {
 protected:
  WindowTest() {
    win::SetACPOverride(932);
    InstallFilterDialogs();
    FilterManager = std::make_unique<TFilterManager>();
  }
  ~WindowTest() override {
    FilterManager.reset();
    win::SetACPOverride(0);
  }

  // A file of the emulated system, by Windows path.
  void WriteFile(const std::string& windowsPath, std::string_view bytes) {
    const std::filesystem::path host = *win::HostPath(windowsPath);
    std::filesystem::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary) << bytes;
  }
  std::string ReadFile(const std::string& windowsPath) {
    std::ostringstream text;
    text << std::ifstream(*win::HostPath(windowsPath), std::ios::binary).rdbuf();
    return text.str();
  }

  std::unique_ptr<forms::TestApplication> app = std::make_unique<forms::TestApplication>();
};

// One control as designed: its parent, bounds and caption (UTF-8; nullptr: not checked).
struct Designed {
  const char* name;
  const char* parent;
  int left, top, width, height;
  const char* caption = nullptr;
};

inline void ExpectDesign(forms::TForm& form, const std::vector<Designed>& controls) {
  for (const Designed& d : controls) {
    SCOPED_TRACE(d.name);
    forms::TControl* control = form.FindControl(d.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Parent()->Name(), d.parent);
    EXPECT_EQ(control->BoundsRect(),
              (forms::TRect{d.left, d.top, d.left + d.width, d.top + d.height}));
    if (d.caption) {
      EXPECT_EQ(control->Caption(), A(d.caption));
    }
  }
}

// The dialog font: "ＭＳ Ｐゴシック", Shift-JIS, 12 pixels.
inline void ExpectDialogFont(const forms::TControl& control) {
  EXPECT_EQ(control.Font().Name, A("ＭＳ Ｐゴシック"));
  EXPECT_EQ(control.Font().Charset, forms::SHIFTJIS_CHARSET);
  EXPECT_EQ(control.Font().Height, -12);
}

// A filter's settings as its stored text, for comparing filters.
inline std::string Saved(const TFilter& filter) {
  TMemIniFile store;
  filter.Save(store, "F");
  return store.GetText();
}

}  // namespace newsgate
