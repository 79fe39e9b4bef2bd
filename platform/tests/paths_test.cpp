#include "platform/paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

#include "platform/codepage.h"
#include "platform/fs.h"
#include "scratch_root.h"

namespace {

namespace fs = std::filesystem;

// Runs the test in a current directory and returns to the previous one.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const fs::path& dir) : previous_(fs::current_path()) {
    fs::current_path(dir);
  }
  ~CurrentDirectory() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

class PathsTest : public testing_support::ScratchRootTest {
 protected:
  void SetUp() override { win::SetACPOverride(932); }
  void TearDown() override { win::SetACPOverride(0); }

  fs::path C() const { return root_.driveC(); }
  void MakeFile(const fs::path& host) {
    fs::create_directories(host.parent_path());
    std::ofstream(host) << "x";
  }
  void MapDrive(char letter, const fs::path& target) {
    fs::create_directories(target);
    fs::create_directory_symlink(target, root_.path() / "dosdevices" / std::string{letter, ':'});
  }
};

TEST_F(PathsTest, FullPathNames) {
  struct Case {
    std::string in;
    std::optional<std::string> out;
  };
  const Case cases[] = {
      {"C:\\a\\b", "C:\\a\\b"},
      {"c:/a/b/", "C:\\a\\b"},
      {"C:\\a\\\\b//c", "C:\\a\\b\\c"},
      {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
      {"C:\\..\\x", "C:\\x"},
      {"C:\\a\\..\\..\\..\\x", "C:\\x"},
      {"D:\\..\\..\\C:\\x", "D:\\C:\\x"},  // another drive's name is only a name
      {"C:\\a.\\b. . \\c ", "C:\\a\\b\\c"},
      {"C:\\a\\...\\b", "C:\\a\\b"},
      {"C:\\ lead", "C:\\ lead"},
      {"C:\\", "C:\\"},
      {"C:\\\x95\x5C\\x", "C:\\\x95\x5C\\x"},  // trail byte 0x5C is no separator
      {"C:\\\x95\x5C.\\y", "C:\\\x95\x5C\\y"},
      {"C:\\\x95\x5C\x95\x5C", "C:\\\x95\x5C\x95\x5C"},
      {"C:\\a\x81\\b", "C:\\a\x81\\b"},  // a lead byte takes the next byte with it
      {"C:\\a\\b\x81", "C:\\a\\b\x81"},  // a lead byte at the end stays
      {"\\\\server\\share", std::nullopt},
      {"//server/share", std::nullopt},
      {"", std::nullopt},
      {std::string("C:\\a\0b", 6), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(win::FullPathName(c.in), c.out) << c.in;
}

TEST_F(PathsTest, RelativePathsStartAtTheCurrentDirectory) {
  CurrentDirectory cwd(C() / "windows");
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"x\\y", "C:\\windows\\x\\y"}, {"..\\..\\..\\x", "C:\\x"}, {"\\y", "C:\\y"},
      {"C:z", "C:\\windows\\z"},     {"D:z", "D:\\z"},           {".", "C:\\windows"},
  };
  for (const Case& c : cases) EXPECT_EQ(win::FullPathName(c.in), c.out) << c.in;
}

TEST_F(PathsTest, EscapesStayInsideTheDriveRoot) {
  MapDrive('d', root_.path().parent_path() / "cdrom");
  struct Case {
    std::string in;
    fs::path out;
  };
  const Case cases[] = {
      {"C:\\..\\..\\etc", C() / "etc"},
      {"c:/windows/../../../x", C() / "x"},
      {"D:\\..\\..\\..\\setup.exe", root_.path().parent_path() / "cdrom/setup.exe"},
      {"D:\\..\\C:\\x", root_.path().parent_path() / "cdrom/C:/x"},
      {"Z:\\..\\tmp", "/tmp"},
      {"C:\\", C()},
      {"C:", C()},
  };
  for (const Case& c : cases) EXPECT_EQ(win::HostPath(c.in), c.out) << c.in;
  EXPECT_EQ(win::HostPath("Q:\\x"), std::nullopt);
  EXPECT_EQ(win::HostPath("\\\\server\\share\\x"), std::nullopt);
}

TEST_F(PathsTest, DrivesComeFromTheLinks) {
  EXPECT_EQ(win::DriveLetters(), "CZ");
  EXPECT_EQ(win::DriveRoot('c'), C());
  EXPECT_EQ(win::DriveRoot('Z'), fs::path("/"));
  MapDrive('d', root_.path() / "media");
  EXPECT_EQ(win::DriveLetters(), "CDZ");
  EXPECT_EQ(win::HostPath("d:\\Disk2"), root_.path() / "media/Disk2");

  // a link pointed elsewhere is followed once the drive table is read again, a moment later
  fs::remove(root_.path() / "dosdevices/d:");
  MapDrive('d', root_.path() / "cdrom");
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(win::HostPath("D:\\Disk2"), root_.path() / "cdrom/Disk2");
}

TEST_F(PathsTest, ExistingComponentsAreFoundWithoutRegardToCase) {
  MakeFile(C() / "Foo/Bar.txt");
  MakeFile(C() / "Mixed/abc");
  MakeFile(C() / "Mixed/ABC");
  MakeFile(C() / u8"ａｂｃ" / u8"表");
  struct Case {
    std::string in;
    fs::path out;
  };
  const Case cases[] = {
      {"C:\\FOO\\bar.TXT", C() / "Foo/Bar.txt"},
      {"C:\\foo.\\BAR.txt ", C() / "Foo/Bar.txt"},
      {"C:\\Mixed\\abc", C() / "Mixed/abc"},  // an exact match first
      {"C:\\Mixed\\ABC", C() / "Mixed/ABC"},
      {"C:\\Mixed\\Abc", C() / "Mixed/ABC"},             // else the first in byte order
      {"C:\\foo\\New\\Deeper", C() / "Foo/New/Deeper"},  // new components keep their case
      {"C:\\FOO\\BAR.TXT\\x", C() / "Foo/Bar.txt/x"},
      {"C:\\\x82\x60\x82\x61\x82\x62\\\x95\x5C", C() / u8"ａｂｃ" / u8"表"},  // full-width ABC
  };
  for (const Case& c : cases) EXPECT_EQ(win::HostPath(c.in), c.out) << c.in;
}

// Lookups in one folder reuse its listing; changes by another route are still seen, and the
// platform's own changes keep the listing current.
TEST_F(PathsTest, ListingsFollowChangesMadeBehindTheirBack) {
  const fs::path dir = C() / "dir";
  MakeFile(dir / "gone.txt");
  // an older folder time, so that the changes below move it whatever the clock's resolution
  fs::last_write_time(dir, fs::file_time_type::clock::now() - std::chrono::hours(1));
  EXPECT_EQ(win::HostPath("C:\\DIR\\GONE.TXT"), dir / "gone.txt");
  EXPECT_EQ(win::HostPath("C:\\DIR\\NEW.TXT"), dir / "NEW.TXT");

  MakeFile(dir / "new.txt");
  fs::remove(dir / "gone.txt");
  EXPECT_EQ(win::HostPath("C:\\DIR\\NEW.TXT"), dir / "new.txt");
  EXPECT_EQ(win::HostPath("C:\\DIR\\GONE.TXT"), dir / "GONE.TXT");

  ASSERT_TRUE(win::CopyFileA("C:\\dir\\new.txt", "C:\\DIR\\Copy.txt", win::TRUE));
  ASSERT_TRUE(win::CreateDirectoryA("C:\\DIR\\Sub"));
  ASSERT_TRUE(win::DeleteFileA("C:\\DIR\\NEW.TXT"));
  EXPECT_EQ(win::HostPath("C:\\DIR\\COPY.TXT"), dir / "Copy.txt");
  EXPECT_EQ(win::HostPath("C:\\DIR\\SUB"), dir / "Sub");
  EXPECT_EQ(win::HostPath("C:\\DIR\\NEW.TXT"), dir / "NEW.TXT");
}

TEST_F(PathsTest, NamesConvertBetweenShiftJisAndUtf8) {
  // "表" and "ソ" end in the byte of "\"; the host names are their UTF-8 forms.
  const std::string windows = "C:\\\x95\x5C\\\x83\x5C.txt";
  const fs::path host = C() / u8"表" / u8"ソ.txt";
  EXPECT_EQ(win::HostPath(windows), host);
  MakeFile(host);
  EXPECT_EQ(win::HostPath("c:/\x95\x5C/\x83\x5C.TXT"), host);
  EXPECT_EQ(win::WindowsPath(host), windows);
}

TEST_F(PathsTest, HostNamesTheCodePageCannotHoldNeverMatch) {
  MakeFile(C() / u8"é");
  EXPECT_EQ(win::HostPath("C:\\?"), C() / "?");
}

TEST_F(PathsTest, WindowsPathsOfHostPaths) {
  MapDrive('d', C() / "cdrom");
  struct Case {
    fs::path in;
    std::string out;
  };
  const Case cases[] = {
      {C() / "windows/system32", "C:\\windows\\system32"},
      {C() / "windows/", "C:\\windows"},
      {C(), "C:\\"},
      {root_.path() / "dosdevices/c:/windows", "C:\\windows"},  // through the link
      {C() / "cdrom/setup.ini", "D:\\setup.ini"},               // the deepest drive folder
      {C() / "x/../y", "C:\\y"},
      {"/usr/share", "Z:\\usr\\share"},
      {"/", "Z:\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(win::WindowsPath(c.in), c.out) << c.in;
}

}  // namespace
