// File, folder, registry-key, free-space, error-text and message-box helpers on an emulated system.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "forms/message_box.h"
#include "forms/test_application.h"
#include "platform/codepage.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "scratch_root.h"
#include "setup/MainHelpers.h"
#include "setup/Texts.h"

namespace setup {
namespace {

namespace fs = std::filesystem;

class HelpersTest : public testing_support::ScratchRootTest {
 protected:
  fs::path Host(const std::string& relative) { return root_.driveC() / relative; }
  void Write(const std::string& relative, const std::string& text) {
    fs::create_directories(Host(relative).parent_path());
    std::ofstream(Host(relative), std::ios::binary) << text;
  }
  std::string Read(const std::string& relative) {
    std::ifstream in(Host(relative), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  forms::TestApplication app_;
};

TEST_F(HelpersTest, ShowMessageBoxAsksTheApplication) {
  app_.QueueAnswer(forms::IDNO);
  EXPECT_EQ(ShowMessageBox("Text", "Caption", 0x24), forms::IDNO);
  ASSERT_EQ(app_.MessageBoxes().size(), 1u);
  EXPECT_EQ(app_.MessageBoxes()[0].text, "Text");
  EXPECT_EQ(app_.MessageBoxes()[0].caption, "Caption");
  EXPECT_EQ(app_.MessageBoxes()[0].flags, 0x24u);
}

TEST_F(HelpersTest, CopyOneFileLeavesTheArchiveAttributeAlone) {
  Write("SRC/A.TXT", "new");
  Write("DST/A.TXT", "old");
  ASSERT_TRUE(win::SetFileAttributesA("C:\\SRC\\A.TXT", win::FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(win::SetFileAttributesA("C:\\DST\\A.TXT",
                                      win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(CopyOneFile("C:\\SRC\\A.TXT", "C:\\DST\\A.TXT"), 0u);
  EXPECT_EQ(Read("DST/A.TXT"), "new");
  EXPECT_EQ(win::GetFileAttributesA("C:\\DST\\A.TXT"), win::FILE_ATTRIBUTE_ARCHIVE);

  EXPECT_EQ(CopyOneFile("C:\\SRC\\MISSING.TXT", "C:\\DST\\A.TXT"), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Read("DST/A.TXT"), "new");
}

TEST_F(HelpersTest, DeletePath) {
  Write("X/A.TMP", "a");
  Write("X/B.TMP", "b");
  Write("X/KEEP.TXT", "k");
  Write("X/SUB.TMP/INNER.TXT", "i");
  Write("X/RO.TXT", "r");
  ASSERT_TRUE(win::SetFileAttributesA("C:\\X\\RO.TXT", win::FILE_ATTRIBUTE_READONLY));

  EXPECT_EQ(DeletePath("C:\\X\\MISSING.TXT", SetupMode::Setup), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(DeletePath("C:\\X", SetupMode::Setup), win::ERROR_FILE_NOT_FOUND);  // not a file
  EXPECT_TRUE(fs::exists(Host("X")));
  EXPECT_EQ(DeletePath("C:\\X\\RO.TXT", SetupMode::Setup), 0u);
  EXPECT_FALSE(fs::exists(Host("X/RO.TXT")));
  EXPECT_EQ(DeletePath("C:\\X\\*.TMP", SetupMode::Setup), 0u);
  EXPECT_FALSE(fs::exists(Host("X/A.TMP")));
  EXPECT_FALSE(fs::exists(Host("X/B.TMP")));
  EXPECT_FALSE(fs::exists(Host("X/SUB.TMP")));  // matching folders go with their contents
  EXPECT_TRUE(fs::exists(Host("X/KEEP.TXT")));
  EXPECT_EQ(DeletePath("C:\\X\\*.TMP", SetupMode::Setup), 0u);  // nothing left to match
}

TEST_F(HelpersTest, DeletePathOfAnUnloadableControlWarnsOnlyInInstallMode) {
  Write("X/A.DLL", "not a library");
  EXPECT_EQ(DeletePath("C:\\X\\*.DLL", SetupMode::UnSetup), 0u);
  EXPECT_TRUE(app_.MessageBoxes().empty());
  Write("X/A.DLL", "not a library");
  EXPECT_EQ(DeletePath("C:\\X\\*.DLL", SetupMode::Setup), 0u);
  ASSERT_EQ(app_.MessageBoxes().size(), 1u);
  EXPECT_EQ(app_.MessageBoxes()[0].text, std::string("C:\\X\\*.DLL") + texts::kLoadLibraryFailed);
  EXPECT_EQ(app_.MessageBoxes()[0].caption, texts::kLoadLibraryCaption);
  EXPECT_EQ(app_.MessageBoxes()[0].flags, 0x30u);
  EXPECT_FALSE(fs::exists(Host("X/A.DLL")));
}

TEST_F(HelpersTest, DeleteFolderItemsRemovesTheFolderOnlyWhenEmpty) {
  Write("A/X.INI", "");
  Write("A/Y.GID", "");
  Write("A/Z.TXT", "");
  EXPECT_EQ(DeleteFolderItems("C:\\A", "*.INI|*.GID|", SetupMode::UnSetup),
            win::ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(fs::exists(Host("A/X.INI")));
  EXPECT_FALSE(fs::exists(Host("A/Y.GID")));
  EXPECT_TRUE(fs::exists(Host("A/Z.TXT")));
  EXPECT_EQ(DeleteFolderItems("C:\\A\\", "", SetupMode::UnSetup), win::ERROR_DIR_NOT_EMPTY);
  EXPECT_EQ(DeleteFolderItems("C:\\A\\", "*.TXT", SetupMode::UnSetup), 0u);  // no closing "|"
  EXPECT_FALSE(fs::exists(Host("A")));
  EXPECT_EQ(DeleteFolderItems("C:\\A\\", "", SetupMode::UnSetup), win::ERROR_FILE_NOT_FOUND);
}

TEST_F(HelpersTest, FolderExistsAndForceFolder) {
  fs::create_directories(Host("A"));
  Write("FILE", "");
  EXPECT_TRUE(FolderExists("C:\\A"));  // an empty folder still lists "."
  EXPECT_TRUE(FolderExists("C:\\A\\"));
  EXPECT_TRUE(FolderExists("C:\\"));
  EXPECT_FALSE(FolderExists("C:\\MISSING"));
  EXPECT_FALSE(FolderExists("C:\\FILE"));

  EXPECT_TRUE(ForceFolder("C:\\A\\B\\C"));
  EXPECT_TRUE(fs::is_directory(Host("A/B/C")));
  EXPECT_TRUE(ForceFolder("C:\\A\\B\\C\\"));  // nothing to create
  EXPECT_TRUE(ForceFolder("C:\\N1\\N2\\"));
  EXPECT_TRUE(fs::is_directory(Host("N1/N2")));
  EXPECT_FALSE(ForceFolder("C:\\FILE\\SUB"));
  // a trail byte "\" of a double-byte name is no folder separator
  const std::string hyo = "C:\\\x95\x5c";
  EXPECT_TRUE(ForceFolder(hyo + "\\D"));
  EXPECT_TRUE(FolderExists(hyo));
  EXPECT_TRUE(FolderExists(hyo + "\\D"));
}

TEST_F(HelpersTest, DeleteRegKeyRemovesTheKeyWithItsSubkeys) {
  win::RegKey key;
  ASSERT_EQ(win::RegKey::Create(win::HKEY::LocalMachine, "SOFTWARE\\Sample\\Viewer\\Deep", key),
            0u);
  ASSERT_EQ(key.SetString("Path", "C:\\"), 0u);
  ASSERT_EQ(win::RegKey::Create(win::HKEY::CurrentUser, "SOFTWARE\\Sample", key), 0u);

  EXPECT_TRUE(DeleteRegKey("(Local)", "SOFTWARE\\Sample"));
  EXPECT_FALSE(win::RegKeyExists(win::HKEY::LocalMachine, "SOFTWARE\\Sample"));
  EXPECT_TRUE(win::RegKeyExists(win::HKEY::LocalMachine, "SOFTWARE"));
  EXPECT_TRUE(win::RegKeyExists(win::HKEY::CurrentUser, "SOFTWARE\\Sample"));
  EXPECT_TRUE(DeleteRegKey("(Cuser)", ""));
  EXPECT_TRUE(DeleteRegKey("(Cuser)", "\\"));
  EXPECT_TRUE(win::RegKeyExists(win::HKEY::CurrentUser, "SOFTWARE\\Sample"));
  EXPECT_TRUE(DeleteRegKey("(Other)", "SOFTWARE\\Sample\\"));  // any other macro: current user
  EXPECT_FALSE(win::RegKeyExists(win::HKEY::CurrentUser, "SOFTWARE\\Sample"));
}

TEST_F(HelpersTest, ErrorTextIsTheSystemsMessageInFullWidth) {
  EXPECT_EQ(ErrorText(0), "");
  for (win::DWORD code : {win::ERROR_FILE_NOT_FOUND, win::ERROR_ACCESS_DENIED, 99999u}) {
    std::string text = ErrorText(code);
    ASSERT_TRUE(text.ends_with("\r\n")) << code;
    std::string body = text.substr(0, text.size() - 2);
    ASSERT_FALSE(body.empty()) << code;
    for (std::size_t i = 0; i < body.size(); ++i) {  // no single-byte character is left
      auto c = static_cast<unsigned char>(body[i]);
      ASSERT_TRUE(win::IsDBCSLeadByte(c)) << code << ": " << body;
      ++i;
    }
    EXPECT_FALSE(body.ends_with(win::Utf8ToAnsi("。"))) << code;
    EXPECT_FALSE(body.ends_with(win::Utf8ToAnsi("．"))) << code;
  }
}

TEST_F(HelpersTest, FreeDiskSpace) {
  for (const char* drive : {"C:", "C:\\"}) {
    DiskSpace ex = FreeDiskSpaceEx(drive);
    DiskSpace plain = FreeDiskSpace(drive);
    EXPECT_TRUE(ex.ok && ex.bytes > 0) << drive;
    EXPECT_TRUE(plain.ok && plain.bytes > 0) << drive;
  }
  for (DiskSpace failed : {FreeDiskSpaceEx("Q:"), FreeDiskSpace("Q:")}) {
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.bytes, -1);
  }
}

}  // namespace
}  // namespace setup
