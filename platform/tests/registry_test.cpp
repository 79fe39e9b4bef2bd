#include "platform/registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "reg_data.h"
#include "scratch_root.h"

namespace {

using namespace win;
namespace fs = std::filesystem;

using testing_support::Sz;
using testing_support::Utf16;

class RegistryTest : public testing_support::ScratchRootTest {
 protected:
  // Replaces every registry file by a copy of itself, as another program saving it would, so the
  // next call reads the files again.
  void RewriteFiles() {
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
      fs::path file = root_.path() / name;
      if (!fs::exists(file)) continue;
      fs::copy_file(file, file.string() + ".copy");
      fs::rename(file.string() + ".copy", file);
    }
  }

  RegKey CreateKey(HKEY root, std::string_view path) {
    RegKey key;
    EXPECT_EQ(RegKey::Create(root, path, key), ERROR_SUCCESS) << path;
    return key;
  }
};

TEST_F(RegistryTest, ValuesOfEveryTypeAreKeptAsWritten) {
  struct Case {
    const char* name;
    RegValue value;
  } cases[] = {
      {"Text", {REG_SZ, Sz(u"C:\\Program Files\\\"x\"")}},
      {"Empty", {REG_SZ, Sz(u"")}},
      {"Expand", {REG_EXPAND_SZ, Sz(u"%SystemRoot%\\inf")}},
      {"Unterminated", {REG_SZ, {0x41, 0x00, 0x42}}},
      {"Number", {REG_DWORD, {0x78, 0x56, 0x34, 0x12}}},
      {"ShortNumber", {REG_DWORD, {0x01, 0x02}}},
      {"Bytes", {REG_BINARY, {0x00, 0xFF, 0x10}}},
      {"NoBytes", {REG_BINARY, {}}},
      {"Multi", {REG_MULTI_SZ, Utf16(std::u16string(u"a\0b\0\0", 5))}},
      {"Quad", {11, {1, 2, 3, 4, 5, 6, 7, 8}}},
      {"None", {REG_NONE, {}}},
      {"Private", {0x20000, {9, 8, 7}}},
  };
  RegKey key = CreateKey(HKEY::CurrentUser, "Software\\Types");
  for (const Case& c : cases) ASSERT_EQ(key.Set(c.name, c.value), ERROR_SUCCESS) << c.name;
  RewriteFiles();
  for (const Case& c : cases) {
    RegValue read;
    ASSERT_EQ(key.Query(c.name, read), ERROR_SUCCESS) << c.name;
    EXPECT_EQ(read.type, c.value.type) << c.name;
    EXPECT_EQ(read.data, c.value.data) << c.name;
  }
  std::vector<std::string> names;
  ASSERT_EQ(key.ValueNames(names), ERROR_SUCCESS);
  ASSERT_EQ(names.size(), std::size(cases));
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], cases[i].name);  // creation order
}

TEST_F(RegistryTest, AnsiCallsConvertThroughTheCodePage) {
  const std::string japanese = "\x93\xfa\x96\x7b\x8c\xea\x83\x5c";  // 日本語ソ in Shift-JIS
  RegKey key = CreateKey(HKEY::CurrentUser, "Software\\" + japanese);
  ASSERT_EQ(key.SetString(japanese, japanese + "\\x"), ERROR_SUCCESS);
  ASSERT_EQ(key.SetString("Path", "%TEMP%", REG_EXPAND_SZ), ERROR_SUCCESS);
  ASSERT_EQ(key.SetDword("Count", 0xFFFFFFFF), ERROR_SUCCESS);

  RegValue raw;
  ASSERT_EQ(key.Query(japanese, raw), ERROR_SUCCESS);
  EXPECT_EQ(raw.type, REG_SZ);
  EXPECT_EQ(raw.data, Sz(u"日本語ソ\\x"));
  std::string text;
  EXPECT_EQ(key.QueryString(japanese, text), ERROR_SUCCESS);
  EXPECT_EQ(text, japanese + "\\x");
  EXPECT_EQ(key.QueryString("Path", text), ERROR_SUCCESS);
  EXPECT_EQ(text, "%TEMP%");
  DWORD number = 0;
  EXPECT_EQ(key.QueryDword("Count", number), ERROR_SUCCESS);
  EXPECT_EQ(number, 0xFFFFFFFFu);
  // The trail byte 0x5C of "ソ" is no separator.
  std::vector<std::string> subkeys;
  RegKey software;
  ASSERT_EQ(RegKey::Open(HKEY::CurrentUser, "Software", software), ERROR_SUCCESS);
  ASSERT_EQ(software.SubkeyNames(subkeys), ERROR_SUCCESS);
  EXPECT_EQ(subkeys, std::vector<std::string>{japanese});
  // Types that are not asked for.
  EXPECT_EQ(key.QueryString("Count", text), 13u);
  EXPECT_EQ(key.QueryDword("Path", number), 13u);
}

TEST_F(RegistryTest, NamesAreComparedWithoutRegardToCase) {
  struct Case {
    std::string created, lookedUp;
  } cases[] = {
      {"Sample", "sAMPLE"},
      {"\x82\x81\x82\x82", "\x82\x60\x82\x61"},  // full-width ａｂ and ＡＢ
      {"\x83\xbf\x83\xc0", "\x83\x9f\x83\xa0"},  // Greek αβ and ΑΒ
      {"\x84\x70\x84\x71", "\x84\x40\x84\x41"},  // Cyrillic аб and АБ
  };
  for (const Case& c : cases) {
    RegKey created = CreateKey(HKEY::LocalMachine, "Software\\" + c.created);
    ASSERT_EQ(created.SetString(c.created, "v"), ERROR_SUCCESS);
    RegKey found;
    ASSERT_EQ(RegKey::Open(HKEY::LocalMachine, "SOFTWARE\\" + c.lookedUp, found), ERROR_SUCCESS)
        << c.lookedUp;
    EXPECT_TRUE(found.HasValue(c.lookedUp)) << c.lookedUp;
    ASSERT_EQ(found.SetString(c.lookedUp, "w"), ERROR_SUCCESS);  // the same value, not a second
    std::vector<std::string> names;
    ASSERT_EQ(found.ValueNames(names), ERROR_SUCCESS);
    EXPECT_EQ(names, std::vector<std::string>{c.created});  // the case of creation is kept
  }
  EXPECT_FALSE(RegKeyExists(HKEY::LocalMachine, "Software\\Samplf"));
}

TEST_F(RegistryTest, SubkeysComeInTheRegistrysOrder) {
  for (const char* name : {"beta", "Alpha", "gamma", "_x", "Beta2"})
    CreateKey(HKEY::CurrentUser, std::string("Software\\Order\\") + name);
  RegKey key = CreateKey(HKEY::CurrentUser, "\\Software\\Order\\");  // outer backslashes ignored
  EXPECT_EQ(key.path(), "Software\\Order");
  std::vector<std::string> names;
  ASSERT_EQ(key.SubkeyNames(names), ERROR_SUCCESS);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "Beta2", "gamma", "_x"}));
}

TEST_F(RegistryTest, ClassesRootIsSoftwareClassesOfTheMachine) {
  RegKey ext = CreateKey(HKEY::ClassesRoot, ".smp");
  ASSERT_EQ(ext.SetString("", "smp_auto_file"), ERROR_SUCCESS);
  RegKey machine;
  ASSERT_EQ(RegKey::Open(HKEY::LocalMachine, "Software\\Classes\\.smp", machine), ERROR_SUCCESS);
  std::string text;
  EXPECT_EQ(machine.QueryString("", text), ERROR_SUCCESS);
  EXPECT_EQ(text, "smp_auto_file");

  CreateKey(HKEY::LocalMachine, "SOFTWARE\\CLASSES\\smp_auto_file\\shell\\open\\command");
  std::vector<std::string> classes;
  RegKey root;
  ASSERT_EQ(RegKey::Open(HKEY::ClassesRoot, "", root), ERROR_SUCCESS);
  ASSERT_EQ(root.SubkeyNames(classes), ERROR_SUCCESS);
  EXPECT_EQ(classes, (std::vector<std::string>{".smp", "smp_auto_file"}));
  EXPECT_EQ(RegDeleteTree(HKEY::ClassesRoot, "smp_auto_file"), ERROR_SUCCESS);
  EXPECT_FALSE(RegKeyExists(HKEY::LocalMachine, "Software\\Classes\\smp_auto_file"));
  EXPECT_TRUE(RegKeyExists(HKEY::LocalMachine, "Software\\Classes\\.smp"));
}

TEST_F(RegistryTest, UsersHoldsTheDefaultUserAndTheCurrentUser) {
  RegKey def = CreateKey(HKEY::Users, ".DEFAULT\\Control Panel");
  ASSERT_EQ(def.SetString("Wallpaper", "none"), ERROR_SUCCESS);
  EXPECT_GT(fs::file_size(root_.path() / "userdef.reg"), 0u);
  EXPECT_FALSE(RegKeyExists(HKEY::CurrentUser, "Control Panel"));

  CreateKey(HKEY::Users, "S-1-5-21-0-0-0-1000\\Software\\Mine");
  EXPECT_TRUE(RegKeyExists(HKEY::CurrentUser, "Software\\Mine"));

  RegKey users;
  ASSERT_EQ(RegKey::Open(HKEY::Users, "", users), ERROR_SUCCESS);
  std::vector<std::string> names;
  ASSERT_EQ(users.SubkeyNames(names), ERROR_SUCCESS);
  EXPECT_EQ(names, (std::vector<std::string>{".Default", "S-1-5-21-0-0-0-1000"}));
  RegKey other;
  EXPECT_EQ(RegKey::Create(HKEY::Users, "Someone", other), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegKey::Open(HKEY::Users, "Someone", other), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(users.SetString("x", "y"), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, MissingThingsAndRefusedDeletions) {
  RegKey key = CreateKey(HKEY::CurrentUser, "Software\\Here\\Sub");
  RegKey other;
  RegValue value;
  std::string text;
  DWORD number;
  EXPECT_EQ(RegKey::Open(HKEY::CurrentUser, "Software\\Nowhere", other), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key.Query("missing", value), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key.QueryString("missing", text), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key.QueryDword("missing", number), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(key.HasValue(""));
  EXPECT_EQ(key.DeleteValue("missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteTree(HKEY::CurrentUser, "Software\\Nowhere"), ERROR_FILE_NOT_FOUND);
  // Roots and whole user files are never deleted.
  for (HKEY root : {HKEY::LocalMachine, HKEY::CurrentUser, HKEY::ClassesRoot, HKEY::Users})
    EXPECT_EQ(RegDeleteTree(root, "\\"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteTree(HKEY::Users, ".Default"), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(RegKeyExists(HKEY::LocalMachine, "Software"));
  // A key deleted while open.
  ASSERT_EQ(key.SetString("v", "1"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteTree(HKEY::CurrentUser, "software\\here"), ERROR_SUCCESS);
  EXPECT_FALSE(RegKeyExists(HKEY::CurrentUser, "Software\\Here\\Sub"));
  EXPECT_TRUE(RegKeyExists(HKEY::CurrentUser, "Software"));
  EXPECT_EQ(key.SetString("v", "2"), ERROR_KEY_DELETED);
  EXPECT_EQ(key.Query("v", value), ERROR_KEY_DELETED);
  EXPECT_FALSE(RegKeyExists(HKEY::CurrentUser, "Software\\Here"));
}

TEST_F(RegistryTest, NamesOfEveryAsciiCharacterSurviveTheFile) {
  RegKey key = CreateKey(HKEY::CurrentUser, "Software\\Chars");
  std::string all;
  for (int c = 1; c < 128; ++c) all += static_cast<char>(c);
  std::vector<std::string> names = {all};
  for (int c = 1; c < 128; ++c) names.push_back(std::to_string(c) + static_cast<char>(c) + "]");
  for (const std::string& name : names) {
    ASSERT_EQ(key.SetString(name, name), ERROR_SUCCESS);
    if (name.find('\\') == std::string::npos)
      CreateKey(HKEY::CurrentUser, "Software\\Chars\\" + name);
  }
  RewriteFiles();
  std::vector<std::string> values, subkeys;
  ASSERT_EQ(key.ValueNames(values), ERROR_SUCCESS);
  EXPECT_EQ(values, names);
  for (const std::string& name : names) {
    std::string text;
    EXPECT_EQ(key.QueryString(name, text), ERROR_SUCCESS) << name;
    EXPECT_EQ(text, name);
  }
  ASSERT_EQ(key.SubkeyNames(subkeys), ERROR_SUCCESS);
  EXPECT_EQ(subkeys.size(), names.size() - 2);  // the names with a backslash are paths
  for (const std::string& name : subkeys)
    EXPECT_TRUE(RegKeyExists(HKEY::CurrentUser, "Software\\Chars\\" + name)) << name;
}

TEST_F(RegistryTest, HundredKilobyteValues) {
  std::string text;
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 100 * 1024; ++i) {
    text += static_cast<char>(' ' + i % 95);
    bytes.push_back(static_cast<std::uint8_t>(i * 7));
  }
  RegKey key = CreateKey(HKEY::LocalMachine, "Software\\Big");
  ASSERT_EQ(key.SetString("Text", text), ERROR_SUCCESS);
  ASSERT_EQ(key.SetBinary("Bytes", bytes), ERROR_SUCCESS);
  RewriteFiles();
  std::string readText;
  RegValue readBytes;
  ASSERT_EQ(key.QueryString("Text", readText), ERROR_SUCCESS);
  EXPECT_EQ(readText, text);
  ASSERT_EQ(key.Query("Bytes", readBytes), ERROR_SUCCESS);
  EXPECT_EQ(readBytes.data, bytes);
}

// Runs body in a child process; returns its exit status.
template <class Body>
pid_t Spawn(Body body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  return pid;
}

int ExitStatus(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

TEST_F(RegistryTest, TwoProcessesKeepEachOthersChanges) {
  CreateKey(HKEY::CurrentUser, "Software\\Shared").SetString("before", "x");
  auto writer = [](std::string prefix) {
    return [prefix] {
      RegKey key;
      if (RegKey::Open(HKEY::CurrentUser, "Software\\Shared", key) != ERROR_SUCCESS) return 1;
      for (int i = 0; i < 40; ++i)
        if (key.SetDword(prefix + std::to_string(i), i) != ERROR_SUCCESS) return 2;
      return 0;
    };
  };
  pid_t a = Spawn(writer("a"));
  pid_t b = Spawn(writer("b"));
  ASSERT_EQ(ExitStatus(a), 0);
  ASSERT_EQ(ExitStatus(b), 0);
  RegKey key;
  ASSERT_EQ(RegKey::Open(HKEY::CurrentUser, "Software\\Shared", key), ERROR_SUCCESS);
  for (const char* prefix : {"a", "b"}) {
    for (int i = 0; i < 40; ++i) {
      DWORD n = 99;
      EXPECT_EQ(key.QueryDword(prefix + std::to_string(i), n), ERROR_SUCCESS) << prefix << i;
      EXPECT_EQ(n, DWORD(i));
    }
  }
  EXPECT_TRUE(key.HasValue("before"));
}

TEST_F(RegistryTest, AWriterKilledAtAnyMomentLeavesACompleteFile) {
  CreateKey(HKEY::CurrentUser, "Software\\Killed");
  pid_t pid = Spawn([] {
    RegKey key;
    RegKey::Open(HKEY::CurrentUser, "Software\\Killed", key);
    for (int i = 0;; ++i) key.SetString("v" + std::to_string(i), std::string(2000, 'x'));
    return 0;
  });
  fs::path file = root_.path() / "user.reg";
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (fs::file_size(file) < 200'000 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  kill(pid, SIGKILL);
  ExitStatus(pid);

  RegKey key;
  ASSERT_EQ(RegKey::Open(HKEY::CurrentUser, "Software\\Killed", key), ERROR_SUCCESS);
  std::vector<std::string> names;
  ASSERT_EQ(key.ValueNames(names), ERROR_SUCCESS);
  ASSERT_GT(names.size(), 50u);
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(names[i], "v" + std::to_string(i));
    std::string text;
    EXPECT_EQ(key.QueryString(names[i], text), ERROR_SUCCESS);
    EXPECT_EQ(text.size(), 2000u);
  }
  EXPECT_EQ(key.SetString("after", "ok"), ERROR_SUCCESS);  // the lock died with the writer
}

}  // namespace
