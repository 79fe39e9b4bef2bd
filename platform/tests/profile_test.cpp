#include "platform/profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <random>
#include <sstream>

#include "platform/codepage.h"
#include "platform/root.h"
#include "platform/testing/write_errors.h"
#include "scratch_root.h"

namespace {

using namespace std::string_literals;
using win::DWORD;
using win::FALSE;
using win::TRUE;

class ProfileTest : public testing_support::ScratchRootTest {
 protected:
  void SetUp() override { win::SetACPOverride(932); }
  void TearDown() override { win::SetACPOverride(0); }

  std::filesystem::path Host(const std::string& name) const {
    return root_.driveC() / "windows" / name;
  }
  // Written beside and renamed, so that every version is a new file, as an editor saves it.
  void Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(Host(name).string() + ".new", std::ios::binary) << bytes;
    std::filesystem::rename(Host(name).string() + ".new", Host(name));
  }
  std::optional<std::string> Bytes(const std::string& name) const {
    std::ifstream in(Host(name), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  static void DropCaches() { win::UseSystemRoot(win::SystemRoot()); }
};

// Runs `work` in a child process and returns its wait status.
template <class Work>
int InChild(Work work) {
  pid_t pid = fork();
  if (pid == 0) {
    work();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

const std::string kReadFixture =
    "; leading comment\r\n"
    "top=before any section\r\n"
    "[General]\r\n"
    "Name = Value with spaces  \r\n"
    "\tTabbed\t=\tx\t\r\n"
    "Quoted=\"  inside  \"\r\n"
    "Single='single'\r\n"
    "Mismatch=\"open'\r\n"
    "Lone=\"\r\n"
    "Empty=\r\n"
    "dup=first\r\n"
    "DUP=second\r\n"
    ";comment=not a key\r\n"
    "NoEquals\r\n"
    "Eq=a=b\r\n"
    "[general]\r\n"
    "Extra=only in the second\r\n"
    "[ Spaced ]\r\n"
    "k=v\r\n"
    "[\x93\xfa\x96\x7b]\r\n"         // 日本
    "\x83\x4c\x81\x5b=\x92\x6c\r\n"  // キー=値
    "[\x81\x5d]\r\n"                 // a double-byte name whose trail byte is "]"
    "a=dbcs bracket\r\n"
    "[\x83\x41]\r\n"  // a double-byte name whose trail byte is "A"
    "x=katakana\r\n";

struct ReadCase {
  const char* section;
  const char* key;
  const char* def;
  DWORD size;
  std::string text;  // the buffer up to the length returned
  int zeros;         // zeros after it; the rest of the buffer stays untouched
};

TEST_F(ProfileTest, ReadsValuesAndListsAsWindowsDoes) {
  Put("read.ini", kReadFixture);
  const ReadCase cases[] = {
      {"General", "Name", "d", 256, "Value with spaces", 1},
      {" GENERAL ", " nAME ", "d", 256, "Value with spaces", 1},
      {"general", "tabbed", "d", 256, "x", 1},
      {"General", "Quoted", "d", 256, "  inside  ", 1},
      {"General", "Single", "d", 256, "single", 1},
      {"General", "Mismatch", "d", 256, "\"open'", 1},
      {"General", "Lone", "d", 256, "\"", 1},
      {"General", "Empty", "d", 256, "", 1},
      {"General", "DUP", "d", 256, "first", 1},
      {"General", "Eq", "d", 256, "a=b", 1},
      {"General", "Extra", "d", 256, "d", 1},  // only in a later section of the same name
      {"General", ";comment", "d", 256, "d", 1},
      {"General", "NoEquals", "d", 256, "d", 1},
      {"", "top", "d", 256, "d", 1},
      {"Spaced", "K", "d", 256, "v", 1},
      {"\x93\xfa\x96\x7b", "\x83\x4c\x81\x5b", "d", 256, "\x92\x6c", 1},
      {"\x81\x5d", "a", "d", 256, "dbcs bracket", 1},
      {"\x83\x41", "x", "d", 256, "katakana", 1},
      {"\x83\x61", "x", "d", 256, "d", 1},  // a trail byte is not a letter
      {"General", "missing", "dflt  ", 256, "dflt", 1},
      {"General", "missing", nullptr, 256, "", 1},
      {"General", "Name", "d", 6, "Value", 1},
      {"General", "Name", "d", 1, "", 1},
      {"General", "missing", "default", 4, "def", 1},
      {nullptr, nullptr, "d", 256,
       "General\0general\0Spaced\0\x93\xfa\x96\x7b\0\x81\x5d\0\x83\x41\0"s, 1},
      {"GENERAL", nullptr, "d", 256,
       "Name\0Tabbed\0Quoted\0Single\0Mismatch\0Lone\0Empty\0dup\0DUP\0Eq\0"s, 1},
      {nullptr, nullptr, "d", 12, "General\0ge"s, 2},
      {"missing", nullptr, "d", 256, "", 2},
      {nullptr, nullptr, "d", 1, "", 1},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(std::string(c.section ? c.section : "(null)") + " / " +
                 (c.key ? c.key : "(null)") + " size " + std::to_string(c.size));
    std::string buffer(c.size, 'X');
    DWORD length =
        win::GetPrivateProfileStringA(c.section, c.key, c.def, buffer.data(), c.size, "read.ini");
    EXPECT_EQ(length, c.text.size());
    std::string expected = c.text + std::string(c.zeros, '\0');
    expected.resize(c.size, 'X');
    EXPECT_EQ(buffer, expected);
  }
}

TEST_F(ProfileTest, SectionNamesMatchTheNullSectionRead) {
  Put("read.ini", kReadFixture);
  for (DWORD size : {256u, 12u, 2u, 1u}) {
    std::string names(size, 'X'), viaString(size, 'X');
    EXPECT_EQ(win::GetPrivateProfileSectionNamesA(names.data(), size, "read.ini"),
              win::GetPrivateProfileStringA(nullptr, nullptr, nullptr, viaString.data(), size,
                                            "read.ini"));
    EXPECT_EQ(names, viaString);
  }
}

TEST_F(ProfileTest, MissingFileGivesDefaultsAndEmptyLists) {
  char buffer[16];
  win::SetLastError(0);
  EXPECT_EQ(win::GetPrivateProfileStringA("s", "k", "def", buffer, sizeof buffer, "none.ini"), 3u);
  EXPECT_STREQ(buffer, "def");
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::GetPrivateProfileSectionNamesA(buffer, sizeof buffer, "none.ini"), 0u);
  EXPECT_EQ(std::string(buffer, 2), "\0\0"s);
  EXPECT_EQ(win::GetPrivateProfileStringA("s", "k", "def", buffer, sizeof buffer,
                                          "C:\\no\\such\\folder.ini"),
            3u);
}

TEST_F(ProfileTest, ReadsEveryKindOfLineEndAndBinaryBytes) {
  Put("bin.ini", "[a]\rk1=v1\r[b]\nk2=v2\nk3=x\0y\n\xff\x80=\x01\x02\r\nlast=no end"s);
  EXPECT_EQ(win::GetPrivateProfileValue("a", "k1", "bin.ini"), "v1");
  EXPECT_EQ(win::GetPrivateProfileValue("b", "k2", "bin.ini"), "v2");
  EXPECT_EQ(win::GetPrivateProfileValue("b", "k3", "bin.ini"), "x\0y"s);
  EXPECT_EQ(win::GetPrivateProfileValue("b", "\xff\x80", "bin.ini"), "\x01\x02");
  EXPECT_EQ(win::GetPrivateProfileValue("b", "last", "bin.ini"), "no end");
  char buffer[8];
  EXPECT_EQ(win::GetPrivateProfileStringA("b", "k3", "", buffer, sizeof buffer, "bin.ini"), 3u);
}

TEST_F(ProfileTest, RandomBytesReadWithoutHarmAndSurviveAWrite) {
  std::mt19937 random(7);
  std::string bytes(64 * 1024, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  Put("random.ini", bytes);
  std::string names(1 << 20, 'X');
  win::GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), "random.ini");
  ASSERT_TRUE(win::WritePrivateProfileStringA("profile test", "k", "v", "random.ini"));
  bool ended = bytes.back() == '\r' || bytes.back() == '\n';
  EXPECT_EQ(Bytes("random.ini"), bytes + (ended ? "" : "\r\n") + "[profile test]\r\nk=v\r\n");
  EXPECT_EQ(win::GetPrivateProfileValue("PROFILE TEST", "K", "random.ini"), "v");
}

struct WriteCase {
  const char* name;
  std::optional<std::string> before;  // nullopt: no file
  const char* section;
  const char* key;
  const char* value;
  win::BOOL result;
  std::optional<std::string> after;
};

TEST_F(ProfileTest, WritesChangeOnlyWhatTheyMust) {
  const WriteCase cases[] = {
      {"value replaced, comments kept", "; c\r\n[s]\r\na=1\r\n; inner\r\nb=2\r\n", "s", "a", "9",
       TRUE, "; c\r\n[s]\r\na=9\r\n; inner\r\nb=2\r\n"},
      {"the file's spelling of the key kept", "[S]\r\n  Key = old  \r\n", "s", " KEY ", "new", TRUE,
       "[S]\r\nKey=new\r\n"},
      {"new key after the section's last key", "[s]\r\na=1\r\n\r\n;c\r\n[t]\r\nb=2\r\n", "S", "n",
       "v", TRUE, "[s]\r\na=1\r\nn=v\r\n\r\n;c\r\n[t]\r\nb=2\r\n"},
      {"new key in a section without keys", "[s]\r\n;c\r\n[t]\r\n", "s", "n", "v", TRUE,
       "[s]\r\nn=v\r\n;c\r\n[t]\r\n"},
      {"new section after a last line without end", "[s]\r\na=1", "t", "k", "v", TRUE,
       "[s]\r\na=1\r\n[t]\r\nk=v\r\n"},
      {"other lines keep their line ends", "[s]\na=1\n[t]\rb=2\r", "s", "c", "3", TRUE,
       "[s]\na=1\nc=3\r\n[t]\rb=2\r"},
      {"first of two sections of a name", "[s]\r\na=1\r\n[s]\r\nb=2\r\n", "s", "b", "9", TRUE,
       "[s]\r\na=1\r\nb=9\r\n[s]\r\nb=2\r\n"},
      {"empty value", "[s]\r\na=1\r\n", "s", "a", "", TRUE, "[s]\r\na=\r\n"},
      {"key deleted", "[s]\r\na=1\r\nb=2\r\n", "s", "A", nullptr, TRUE, "[s]\r\nb=2\r\n"},
      {"missing key deleted", "[s]\r\na=1\r\n", "s", "x", nullptr, TRUE, "[s]\r\na=1\r\n"},
      {"every section of the name deleted", "[s]\r\na=1\r\n;c\r\n[t]\r\nb=2\r\n[S]\r\nc=3\r\n", "s",
       nullptr, nullptr, TRUE, "[t]\r\nb=2\r\n"},
      {"flush only", "[s]\r\na=1\r\n", nullptr, nullptr, nullptr, FALSE, "[s]\r\na=1\r\n"},
      {"no section", "[s]\r\na=1\r\n", nullptr, "a", "2", FALSE, "[s]\r\na=1\r\n"},
      {"file created", std::nullopt, " s ", " k ", "v", TRUE, "[s]\r\nk=v\r\n"},
      {"nothing to delete creates nothing", std::nullopt, "s", "k", nullptr, TRUE, std::nullopt},
      {"double-byte name ending in the byte of ]", "[\x81\x5d]\r\nk=1\r\n", "\x81\x5d", "k", "2",
       TRUE, "[\x81\x5d]\r\nk=2\r\n"},
  };
  int n = 0;
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string file = "w" + std::to_string(++n) + ".ini";
    if (c.before) Put(file, *c.before);
    EXPECT_EQ(win::WritePrivateProfileStringA(c.section, c.key, c.value, file.c_str()), c.result);
    EXPECT_EQ(Bytes(file), c.after);
  }
}

TEST_F(ProfileTest, BareNamesAreFilesInTheWindowsFolderOfTheRootInUse) {
  ASSERT_TRUE(win::WritePrivateProfileStringA("s", "k", "v", "Bare.ini"));
  EXPECT_TRUE(std::filesystem::exists(Host("Bare.ini")));
  EXPECT_EQ(win::GetPrivateProfileValue("s", "k", "C:\\WINDOWS\\bare.INI"), "v");
  testing_support::ScratchRoot other;
  EXPECT_EQ(win::GetPrivateProfileValue("s", "k", "Bare.ini"), std::nullopt);
}

TEST_F(ProfileTest, FailedWritesReportTheErrorAndChangeNothing) {
  const struct {
    const char* name;
    const char* file;
    DWORD error;
  } cases[] = {{"folder missing", "C:\\no folder\\x.ini", win::ERROR_PATH_NOT_FOUND},
               {"read-only file", "readonly.ini", win::ERROR_ACCESS_DENIED},
               {"disk full", "full.ini", win::ERROR_DISK_FULL}};
  Put("readonly.ini", "[s]\r\nk=old\r\n");
  std::filesystem::permissions(Host("readonly.ini"), std::filesystem::perms::owner_read);
  Put("full.ini", "[s]\r\nk=old\r\n");
  win::testing::ScopedWriteError full("C:\\windows\\full.ini", win::ERROR_DISK_FULL);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(win::GetPrivateProfileValue("s", "k", c.file).value_or("old"), "old");
    win::SetLastError(0);
    EXPECT_FALSE(win::WritePrivateProfileStringA("s", "k", "new", c.file));
    EXPECT_EQ(win::GetLastError(), c.error);
    EXPECT_EQ(win::GetPrivateProfileValue("s", "k", c.file).value_or("old"), "old");
  }
}

TEST_F(ProfileTest, NamesThatDoNotReadBackAreWrittenAsWindowsWritesThem) {
  ASSERT_TRUE(win::WritePrivateProfileStringA("s", "a=b", "c", "odd.ini"));
  ASSERT_TRUE(win::WritePrivateProfileStringA("s", "k", "x\r\n[t]\r\ny=z", "odd.ini"));
  EXPECT_EQ(Bytes("odd.ini"), "[s]\r\na=b=c\r\nk=x\r\n[t]\r\ny=z\r\n");
  EXPECT_EQ(win::GetPrivateProfileValue("s", "a", "odd.ini"), "b=c");
  EXPECT_EQ(win::GetPrivateProfileValue("t", "y", "odd.ini"), "z");
  EXPECT_EQ(win::GetPrivateProfileValue("s", "a=b", "odd.ini"), std::nullopt);
}

// Describes everything a reader can see of a file, for the names used below.
std::string View(const char* file) {
  static const char* const sections[] = {"S", "T", "\x93\xfa\x96\x7b", "u"};
  static const char* const keys[] = {"a", "b", "c", "\x83\x4c"};
  std::string view(4096, '\0');
  view.resize(win::GetPrivateProfileSectionNamesA(view.data(), 4096, file));
  for (const char* section : sections) {
    std::string names(4096, '\0');
    names.resize(win::GetPrivateProfileStringA(section, nullptr, "", names.data(), 4096, file));
    view += "|" + names;
    for (const char* key : keys)
      view += "|" + win::GetPrivateProfileValue(section, key, file).value_or("(none)");
  }
  return view;
}

TEST_F(ProfileTest, ManyEditsAgreeWithAFreshReadOfTheFile) {
  Put("edit.ini", "; head\r\n[s]\r\na=0\r\n\r\n[T]\r\n;c\r\nb=0\r\n[s]\r\nc=dup\r\n");
  static const char* const sections[] = {"S", "s ", "t", "\x93\xfa\x96\x7b", "u"};
  static const char* const keys[] = {"a", "B", " c", "\x83\x4c"};
  static const char* const values[] = {"1", "two words", "", "\"q\""};
  std::mt19937 random(11);
  for (int step = 0; step < 400; ++step) {
    const char* section = sections[random() % 5];
    const char* key = keys[random() % 4];
    unsigned op = random() % 10;
    if (op < 7) {
      win::WritePrivateProfileStringA(section, key, values[random() % 4], "edit.ini");
    } else if (op < 9) {
      win::WritePrivateProfileStringA(section, key, nullptr, "edit.ini");
    } else {
      win::WritePrivateProfileStringA(section, nullptr, nullptr, "edit.ini");
    }
    Put("fresh.ini", *Bytes("edit.ini"));
    ASSERT_EQ(View("edit.ini"), View("fresh.ini")) << "after step " << step;
  }
}

TEST_F(ProfileTest, LongValuesReadWhole) {
  std::string value;
  for (int i = 0; i < 100 * 1024; ++i) value += static_cast<char>('a' + i % 26);
  ASSERT_TRUE(win::WritePrivateProfileStringA("s", "big", value.c_str(), "big.ini"));
  ASSERT_TRUE(win::WritePrivateProfileStringA("s", "after", "1", "big.ini"));
  EXPECT_EQ(win::GetPrivateProfileValue("s", "big", "big.ini"), value);
  // the setup program's reader: grow the buffer by 256 while the value fills it
  std::string buffer;
  DWORD length = 0;
  do {
    buffer.resize(buffer.size() + 256);
    length = win::GetPrivateProfileStringA("s", "big", "", buffer.data(),
                                           static_cast<DWORD>(buffer.size()), "big.ini");
  } while (length == buffer.size() - 1);
  EXPECT_EQ(buffer.substr(0, length), value);
  DropCaches();
  EXPECT_EQ(win::GetPrivateProfileValue("s", "after", "big.ini"), "1");
}

TEST_F(ProfileTest, ChangesByAnotherProcessAreSeen) {
  Put("shared.ini", "[s]\r\na=1\r\n");
  ASSERT_EQ(win::GetPrivateProfileValue("s", "a", "shared.ini"), "1");
  EXPECT_EQ(InChild([] { win::WritePrivateProfileStringA("s", "a", "2", "shared.ini"); }), 0);
  EXPECT_EQ(win::GetPrivateProfileValue("s", "a", "shared.ini"), "2");
  EXPECT_EQ(InChild([] { win::WritePrivateProfileStringA("s", "b", "3", "shared.ini"); }), 0);
  EXPECT_EQ(win::GetPrivateProfileValue("s", "b", "shared.ini"), "3");
  ASSERT_TRUE(win::WritePrivateProfileStringA("s", "c", "4", "shared.ini"));
  EXPECT_EQ(Bytes("shared.ini"), "[s]\r\na=2\r\nb=3\r\nc=4\r\n");
}

TEST_F(ProfileTest, ACrashWhileWritingLeavesTheEarlierFileReadable) {
  std::string before = "[s]\r\na=1\r\n";
  for (int i = 0; i < 200; ++i) before += "File" + std::to_string(i) + "=C:\\some\\path\r\n";
  const struct {
    const char* name;
    const char* key;
    bool bytesKept;  // an append may leave a comment line after the earlier bytes
  } cases[] = {{"replacing the file", "a", true}, {"adding at its end", "new", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put("crash.ini", before);
    int status = InChild([&] {
      rlimit noCore{0, 0}, small{before.size() + 10, before.size() + 10};
      setrlimit(RLIMIT_CORE, &noCore);
      setrlimit(RLIMIT_FSIZE, &small);  // the write that passes it kills the process
      std::string value(100, 'v');
      win::WritePrivateProfileStringA("s", c.key, value.c_str(), "crash.ini");
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    DropCaches();
    std::string after = *Bytes("crash.ini");
    EXPECT_EQ(c.bytesKept ? after : after.substr(0, before.size()), before);
    EXPECT_EQ(win::GetPrivateProfileValue("s", "a", "crash.ini"), "1");
    EXPECT_EQ(win::GetPrivateProfileValue("s", "new", "crash.ini"), std::nullopt);
    EXPECT_EQ(win::GetPrivateProfileValue("s", "File199", "crash.ini"), "C:\\some\\path");
  }
}

}  // namespace
