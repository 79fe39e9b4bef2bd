// Usage counts of shared libraries and registration of controls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "forms/test_application.h"
#include "platform/registry.h"
#include "scratch_root.h"
#include "setup/MainShared.h"
#include "setup/Texts.h"

namespace setup {
namespace {

namespace fs = std::filesystem;

constexpr char kSharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

class SharedTest : public testing_support::ScratchRootTest {
 protected:
  // Puts a file into C:\X\ and returns its Windows path.
  std::string Place(const std::string& name, const fs::path& from) {
    fs::create_directories(root_.driveC() / "X");
    fs::copy_file(from, root_.driveC() / "X" / name, fs::copy_options::overwrite_existing);
    return "C:\\X\\" + name;
  }
  std::string PlaceText(const std::string& name) {
    fs::create_directories(root_.driveC() / "X");
    std::ofstream(root_.driveC() / "X" / name) << "not a library";
    return "C:\\X\\" + name;
  }
  win::RegKey Counts() {
    win::RegKey key;
    EXPECT_EQ(win::RegKey::Create(win::HKEY::LocalMachine, kSharedDlls, key), 0u);
    return key;
  }
  forms::TestApplication app_;
};

TEST_F(SharedTest, RaisingAndLoweringCounts) {
  const std::string existing = PlaceText("OLD.DLL");
  const std::string counted = PlaceText("COUNTED.DLL");
  Counts().SetDword(counted, 3);

  EXPECT_EQ(ChangeSharedCount(existing, true), 2);  // it was there: one user already
  EXPECT_EQ(ChangeSharedCount("C:\\X\\NEW.DLL", true), 1);
  EXPECT_EQ(ChangeSharedCount(counted, true), 4);
  EXPECT_EQ(SharedCount(counted), 4);
  EXPECT_EQ(SharedCount(existing), 2);
  EXPECT_EQ(SharedCount("C:\\X\\NEW.DLL"), 1);

  EXPECT_EQ(ChangeSharedCount(counted, false), 3);
  EXPECT_EQ(ChangeSharedCount("C:\\X\\NEW.DLL", false), 0);
  EXPECT_FALSE(Counts().HasValue("C:\\X\\NEW.DLL"));
  EXPECT_EQ(ChangeSharedCount("C:\\X\\NEVER.DLL", false), -1);
  EXPECT_FALSE(Counts().HasValue("C:\\X\\NEVER.DLL"));
}

TEST_F(SharedTest, CountsOfAnotherTypeReadAsZero) {
  Counts().SetString("C:\\X\\TEXT.DLL", "5");
  EXPECT_EQ(SharedCount("C:\\X\\TEXT.DLL"), 0);
  EXPECT_EQ(SharedCount("C:\\X\\MISSING.DLL"), 0);
}

TEST_F(SharedTest, ControlFilesAreNamedByOcxOrDllAnywhere) {
  struct Case {
    const char* path;
    bool control;
  } cases[] = {
      {"C:\\X.DLL", true},
      {"C:\\x.ocx", true},
      {"C:\\X.DLL.BAK", true},
      {"C:\\OLD.DLLS\\README.TXT", true},
      {"C:\\DLLS\\README.TXT", false},
      {"C:\\X.EXE", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsControlFile(c.path), c.control) << c.path;
}

TEST_F(SharedTest, RegisterControl) {
  struct Case {
    const char* library;  // nullptr: a text file
    bool registerIt;
    SetupMode mode;
    bool result;
    std::string message, caption;  // empty: no message box
  } cases[] = {
      {CONTROL_OK, true, SetupMode::Setup, true, "", ""},
      {CONTROL_OK, false, SetupMode::UnSetup, false, "", ""},
      {CONTROL_FAIL, true, SetupMode::Setup, false, texts::kRegisterFailed,
       texts::kProcedureCaption},
      {CONTROL_FAIL, false, SetupMode::UnSetup, false, "", ""},  // no unregister entry
      {CONTROL_NONE, true, SetupMode::Setup, false, texts::kRegisterEntryMissing,
       texts::kGetProcAddressCaption},
      {nullptr, true, SetupMode::Setup, false, texts::kLoadLibraryFailed,
       texts::kLoadLibraryCaption},
      {nullptr, false, SetupMode::Setup, false, texts::kLoadLibraryFailed,
       texts::kLoadLibraryCaption},
      {nullptr, false, SetupMode::UnSetup, false, "", ""},
  };
  int n = 0;
  for (const Case& c : cases) {
    // a file of its own for each load: a loaded library is never overwritten
    std::string name = "SAMPLE" + std::to_string(++n) + ".OCX";
    std::string path = c.library ? Place(name, c.library) : PlaceText(name);
    std::size_t before = app_.MessageBoxes().size();
    EXPECT_EQ(RegisterControl(path, c.registerIt, c.mode), c.result) << c.library;
    if (c.message.empty()) {
      EXPECT_EQ(app_.MessageBoxes().size(), before) << c.library;
      continue;
    }
    ASSERT_EQ(app_.MessageBoxes().size(), before + 1) << c.library;
    const auto& box = app_.MessageBoxes().back();
    EXPECT_EQ(box.text, path + c.message);
    EXPECT_EQ(box.caption, c.caption);
    EXPECT_EQ(box.flags, 0x30u);
  }
}

}  // namespace
}  // namespace setup
