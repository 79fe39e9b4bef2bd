#include <gtest/gtest.h>

#include <sstream>

#include "platform/registry.h"
#include "reg_data.h"
#include "scratch_root.h"
#include "winroot/commands.h"

namespace {

using namespace win;

struct Result {
  int status;
  std::string out, err;
};

Result Reg(std::vector<std::string> args) {
  args.insert(args.begin(), "reg");
  std::ostringstream out, err;
  int status = winroot::Run(args, out, err);
  return {status, out.str(), err.str()};
}

using testing_support::Utf16;

class RegTest : public testing_support::ScratchRootTest {};

TEST_F(RegTest, QueryShowsAKeyAsRegExeDoes) {
  RegKey key;
  ASSERT_EQ(RegKey::Create(HKEY::LocalMachine, "Software\\Sample", key), ERROR_SUCCESS);
  key.SetString("", "X");
  key.SetString("Name", "\x93\xfa\x96\x7b");  // 日本 in Shift-JIS
  key.SetString("Path", "%TEMP%\\a", REG_EXPAND_SZ);
  key.SetDword("Count", 0x2A);
  key.SetBinary("Bytes", {0x0a, 0xff});
  key.Set("Multi", {REG_MULTI_SZ, Utf16(std::u16string_view(u"a\0b\0\0", 5))});
  key.Set("Quad", {11, {0xef, 0xcd, 0xab, 0x89, 0x67, 0x45, 0x23, 0x01}});
  key.Set("Odd", {0x20000, {1, 2, 3}});
  RegKey sub;
  RegKey::Create(HKEY::LocalMachine, "Software\\Sample\\sub2", sub);
  RegKey::Create(HKEY::LocalMachine, "Software\\Sample\\Sub1", sub);

  Result r = Reg({"query", "hklm\\software\\SAMPLE"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "\n"
            "HKEY_LOCAL_MACHINE\\software\\SAMPLE\n"
            "    (Default)    REG_SZ    X\n"
            "    Name    REG_SZ    日本\n"
            "    Path    REG_EXPAND_SZ    %TEMP%\\a\n"
            "    Count    REG_DWORD    0x2a\n"
            "    Bytes    REG_BINARY    0AFF\n"
            "    Multi    REG_MULTI_SZ    a\\0b\n"
            "    Quad    REG_QWORD    0x123456789abcdef\n"
            "    Odd    0x20000    010203\n"
            "\n"
            "HKEY_LOCAL_MACHINE\\software\\SAMPLE\\Sub1\n"
            "HKEY_LOCAL_MACHINE\\software\\SAMPLE\\sub2\n");

  r = Reg({"query", "HKEY_LOCAL_MACHINE\\Software\\Sample\\", "/v", "count"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "\nHKEY_LOCAL_MACHINE\\Software\\Sample\n    count    REG_DWORD    0x2a\n\n");
}

TEST_F(RegTest, AddWritesEachTypeFromItsText) {
  struct Case {
    std::vector<std::string> options;
    std::string name;  // as query /v prints it
    std::string shown;
  } cases[] = {
      {{"/v", "s", "/d", "hello world"}, "s", "REG_SZ    hello world"},
      {{"/v", "j", "/d", "日本語"}, "j", "REG_SZ    日本語"},
      {{"/v", "e", "/t", "REG_EXPAND_SZ", "/d", "%PATH%"}, "e", "REG_EXPAND_SZ    %PATH%"},
      {{"/v", "m", "/t", "REG_MULTI_SZ", "/d", "a\\0b"}, "m", "REG_MULTI_SZ    a\\0b"},
      {{"/v", "d", "/t", "REG_DWORD", "/d", "42"}, "d", "REG_DWORD    0x2a"},
      {{"/v", "h", "/t", "reg_dword", "/d", "0xFFFFFFFF"}, "h", "REG_DWORD    0xffffffff"},
      {{"/v", "b", "/t", "REG_BINARY", "/d", "0aFF10"}, "b", "REG_BINARY    0AFF10"},
      {{"/v", "o", "/t", "REG_BINARY", "/d", "123"}, "o", "REG_BINARY    0123"},
      {{"/v", "n", "/t", "REG_NONE"}, "n", "REG_NONE    "},
      {{"/d", "default"}, "(Default)", "REG_SZ    default"},
      {{"/ve", "/t", "REG_SZ", "/d", "again", "/f"}, "(Default)", "REG_SZ    again"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"add", "HKCU\\Software\\Added"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    Result r = Reg(args);
    ASSERT_EQ(r.status, 0) << c.shown << ": " << r.err;
    EXPECT_EQ(r.out, "The operation completed successfully.\n");
    std::vector<std::string> query = {"query", "HKCU\\Software\\Added"};
    if (c.name == "(Default)") {
      query.push_back("/ve");
    } else {
      query.insert(query.end(), {"/v", c.name});
    }
    r = Reg(query);
    ASSERT_EQ(r.status, 0) << c.shown << ": " << r.err;
    EXPECT_EQ(r.out,
              "\nHKEY_CURRENT_USER\\Software\\Added\n    " + c.name + "    " + c.shown + "\n\n");
  }
  RegKey key;
  ASSERT_EQ(RegKey::Open(HKEY::CurrentUser, "Software\\Added", key), ERROR_SUCCESS);
  DWORD n = 0;
  EXPECT_EQ(key.QueryDword("d", n), ERROR_SUCCESS);
  EXPECT_EQ(n, 42u);
}

TEST_F(RegTest, RootsAreSpelledAsRegExeSpellsThem) {
  struct Case {
    const char* key;
    HKEY root;
    const char* path;
  } cases[] = {
      {"HKLM\\Software\\R1", HKEY::LocalMachine, "Software\\R1"},
      {"hkey_local_machine\\Software\\R2", HKEY::LocalMachine, "Software\\R2"},
      {"HKCU\\Software\\R3", HKEY::CurrentUser, "Software\\R3"},
      {"HKEY_CURRENT_USER\\Software\\R4", HKEY::CurrentUser, "Software\\R4"},
      {"HKCR\\.r5", HKEY::LocalMachine, "Software\\Classes\\.r5"},
      {"Hkey_Classes_Root\\.r6", HKEY::ClassesRoot, ".r6"},
      {"HKU\\.Default\\Software\\R7", HKEY::Users, ".DEFAULT\\Software\\R7"},
      {"HKEY_USERS\\.Default\\Software\\R8", HKEY::Users, ".Default\\Software\\R8"},
  };
  for (const Case& c : cases) {
    Result r = Reg({"add", c.key, "/v", "x", "/d", "1"});
    ASSERT_EQ(r.status, 0) << c.key << ": " << r.err;
    RegKey key;
    ASSERT_EQ(RegKey::Open(c.root, c.path, key), ERROR_SUCCESS) << c.key;
    EXPECT_TRUE(key.HasValue("x")) << c.key;
  }
  Result r = Reg({"add", "HKCU\\Software\\OnlyKey"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(RegKeyExists(HKEY::CurrentUser, "Software\\OnlyKey"));
  RegKey key;
  RegKey::Open(HKEY::CurrentUser, "Software\\OnlyKey", key);
  EXPECT_FALSE(key.HasValue(""));  // a key alone gets no value
}

TEST_F(RegTest, DeleteRemovesAValueOrAWholeKey) {
  ASSERT_EQ(Reg({"add", "HKCU\\Software\\Gone\\Sub", "/v", "a", "/d", "1"}).status, 0);
  ASSERT_EQ(Reg({"add", "HKCU\\Software\\Gone\\Sub", "/v", "b", "/d", "2"}).status, 0);
  Result r = Reg({"delete", "HKCU\\Software\\Gone\\Sub", "/v", "A", "/f"});
  ASSERT_EQ(r.status, 0) << r.err;
  RegKey key;
  ASSERT_EQ(RegKey::Open(HKEY::CurrentUser, "Software\\Gone\\Sub", key), ERROR_SUCCESS);
  EXPECT_FALSE(key.HasValue("a"));
  EXPECT_TRUE(key.HasValue("b"));
  r = Reg({"delete", "HKCU\\Software\\Gone"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(RegKeyExists(HKEY::CurrentUser, "Software\\Gone"));
  EXPECT_TRUE(RegKeyExists(HKEY::CurrentUser, "Software"));
}

TEST_F(RegTest, MissingThingsAndBadArgumentsFailWithAMessage) {
  ASSERT_EQ(Reg({"add", "HKCU\\Software\\Here", "/v", "v", "/d", "1"}).status, 0);
  const std::vector<std::string> cases[] = {
      {"query", "HKCU\\Software\\Nowhere"},
      {"query", "HKCU\\Software\\Here", "/v", "missing"},
      {"query", "HKCU\\Software\\Here", "/ve"},
      {"query", "HKXX\\Software"},
      {"query", "Software\\Here"},
      {"delete", "HKCU\\Software\\Nowhere"},
      {"delete", "HKCU\\Software\\Here", "/v", "missing"},
      {"delete", "HKLM"},
      {"add", "HKCU\\Software\\New", "/t", "REG_DWORD", "/d", "12abc"},
      {"add", "HKCU\\Software\\New", "/t", "REG_DWORD", "/d", "4294967296"},
      {"add", "HKCU\\Software\\New", "/t", "REG_DWORD"},
      {"add", "HKCU\\Software\\New", "/t", "REG_BINARY", "/d", "0g"},
      {"add", "HKCU\\Software\\New", "/t", "REG_LINK", "/d", "x"},
      {"add", "HKCU\\Software\\New", "/v"},
      {"add", "HKCU\\Software\\New", "/x"},
      {"add", "HKU\\Someone\\Software"},
      {"rename", "HKCU\\Software\\Here"},
      {"query"},
      {},
  };
  for (const std::vector<std::string>& args : cases) {
    Result r = Reg(args);
    std::string line;
    for (const std::string& a : args) line += a + " ";
    EXPECT_EQ(r.status, 1) << line;
    EXPECT_EQ(r.out, "") << line;
    EXPECT_TRUE(r.err.starts_with("winroot reg: ")) << line << r.err;
  }
  EXPECT_FALSE(RegKeyExists(HKEY::CurrentUser, "Software\\New"));  // bad data makes nothing
  EXPECT_TRUE(RegKeyExists(HKEY::CurrentUser, "Software\\Here"));
}

}  // namespace
