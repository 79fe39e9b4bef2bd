// The registry's files: Wine's format read and written, nothing a file holds ever lost.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "platform/registry.h"
#include "reg_data.h"
#include "scratch_root.h"

namespace {

using namespace win;
namespace fs = std::filesystem;

// A system.reg as Wine writes it, with key options and value types the programs never use.
constexpr std::string_view kWineFile = R"REG(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win32

[Software\\Classes\\.txt] 1733900000
#time=1db4b8c2e5a1f00
@="txtfile"
"Content Type"="text/plain"

[Software\\Classes\\CLSID\\{0000031a-0000-0000-c000-000000000046}] 1733900000
#time=1db4b8c2e5a1f00
#class="Shell \"Item\""
@="Caf\xe9 \"quoted\" back\\slash"

[Software\\Empty] 1733900003
#time=1db4b8c2e5a1f03

[Software\\Microsoft\\Windows\\CurrentVersion] 1733900001
#time=1db4b8c2e5a1f01
"Big"=hex(b):ef,cd,ab,89,67,45,23,01
"Blob"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\
  16,17,18,19,1a,1b,1c,1d,1e,1f
"CommonFilesDir"="C:\\Program Files\\Common Files"
"DevicePath"=str(2):"%SystemRoot%\\inf"
"Flags"=dword:0000002a
"Multi"=hex(7):41,00,6c,00,70,00,68,00,61,00,00,00,42,00,65,00,74,00,61,00,00,\
  00,00,00
"None"=hex(0):
"Odd"=hex(20000):01,02,03
"ProgramFilesDir"="C:\\Program Files"
"Tabs"="a\tb\nc\rd\0e"
"\x65e5\x672c"="\x3042\x3044"
;; kept where it stands

[System\\ControlSet001\\Control\\Nls\\CodePage] 1733900002
#time=1db4b8c2e5a1f02
"ACP"="932"
"OEMCP"="932"

[System\\CurrentControlSet] 1733900002
#time=1db4b8c2e5a1f02
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\
  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,\
  74,00,65,00,6d,00,5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,\
  00,74,00,30,00,30,00,31,00
)REG";

constexpr std::string_view kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

using testing_support::Sz;
using testing_support::Utf16;

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The text with the modification times of keys replaced by "T".
std::string WithoutTimes(std::string_view text) {
  std::string out;
  for (std::string line : Lines(text)) {
    if (line.starts_with("#time=")) line = "#time=T";
    size_t close = line.rfind("] ");
    if (line.starts_with('[') && close != std::string::npos &&
        line.find_first_not_of("0123456789", close + 2) == std::string::npos)
      line = line.substr(0, close + 2) + "T";
    out += line + "\n";
  }
  return out;
}

// Whether every line of part, blank lines aside, occurs in whole in the same order.
bool KeepsLinesInOrder(std::string_view whole, std::string_view part) {
  std::vector<std::string> all = Lines(whole);
  size_t at = 0;
  for (const std::string& line : Lines(part)) {
    if (line.empty()) continue;
    while (at < all.size() && all[at] != line) ++at;
    if (at == all.size()) return false;
    ++at;
  }
  return true;
}

class RegistryFileTest : public testing_support::ScratchRootTest {
 protected:
  fs::path File(const char* name = "system.reg") const { return root_.path() / name; }

  // Puts text in place as another program would: a new file renamed over the old one.
  void Install(std::string_view text, const char* name = "system.reg") const {
    fs::path temp = File(name).string() + ".other";
    std::ofstream(temp, std::ios::binary) << text;
    fs::rename(temp, File(name));
  }

  std::string Contents(const char* name = "system.reg") const {
    std::ifstream in(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  RegKey Open(HKEY root, std::string_view path) {
    RegKey key;
    EXPECT_EQ(RegKey::Open(root, path, key), ERROR_SUCCESS) << path;
    return key;
  }
};

TEST_F(RegistryFileTest, ValuesOfAWineFileReadAsWindowsHoldsThem) {
  Install(kWineFile);
  const std::string cv(kCurrentVersion);
  struct Case {
    HKEY root;
    std::string key, name;
    DWORD type;
    std::vector<std::uint8_t> data;
  } cases[] = {
      {HKEY::ClassesRoot, ".txt", "", REG_SZ, Sz(u"txtfile")},
      {HKEY::LocalMachine, "software\\classes\\.TXT", "content type", REG_SZ, Sz(u"text/plain")},
      {HKEY::ClassesRoot, "CLSID\\{0000031A-0000-0000-C000-000000000046}", "", REG_SZ,
       Sz(u"Café \"quoted\" back\\slash")},
      {HKEY::LocalMachine, cv, "Big", 11, {0xef, 0xcd, 0xab, 0x89, 0x67, 0x45, 0x23, 0x01}},
      {HKEY::LocalMachine, cv, "CommonFilesDir", REG_SZ, Sz(u"C:\\Program Files\\Common Files")},
      {HKEY::LocalMachine, cv, "DevicePath", REG_EXPAND_SZ, Sz(u"%SystemRoot%\\inf")},
      {HKEY::LocalMachine, cv, "Flags", REG_DWORD, {0x2a, 0, 0, 0}},
      {HKEY::LocalMachine, cv, "Multi", REG_MULTI_SZ,
       Utf16(std::u16string_view(u"Alpha\0Beta\0\0", 12))},
      {HKEY::LocalMachine, cv, "None", REG_NONE, {}},
      {HKEY::LocalMachine, cv, "Odd", 0x20000, {1, 2, 3}},
      {HKEY::LocalMachine, cv, "Tabs", REG_SZ, Sz(std::u16string_view(u"a\tb\nc\rd\0e", 9))},
      {HKEY::LocalMachine, cv, "\x93\xfa\x96\x7b", REG_SZ, Sz(u"あい")},  // 日本 in Shift-JIS
      // Through the link, as Windows reads the current control set.
      {HKEY::LocalMachine, "System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP", REG_SZ,
       Sz(u"932")},
  };
  for (const Case& c : cases) {
    RegValue value;
    ASSERT_EQ(Open(c.root, c.key).Query(c.name, value), ERROR_SUCCESS) << c.key << " " << c.name;
    EXPECT_EQ(value.type, c.type) << c.name;
    EXPECT_EQ(value.data, c.data) << c.name;
  }
  RegValue blob;
  ASSERT_EQ(Open(HKEY::LocalMachine, cv).Query("Blob", blob), ERROR_SUCCESS);
  ASSERT_EQ(blob.data.size(), 32u);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(blob.data[i], i);
  std::vector<std::string> names;
  ASSERT_EQ(Open(HKEY::LocalMachine, "Software").SubkeyNames(names), ERROR_SUCCESS);
  EXPECT_EQ(names, (std::vector<std::string>{"Classes", "Empty", "Microsoft"}));
}

TEST_F(RegistryFileTest, AWineFileKeepsEverythingThroughChanges) {
  Install(kWineFile);
  auto started = std::chrono::system_clock::now();
  RegKey cv = Open(HKEY::LocalMachine, kCurrentVersion);
  ASSERT_EQ(cv.SetDword("flags", 43), ERROR_SUCCESS);
  ASSERT_EQ(cv.DeleteValue("Tabs"), ERROR_SUCCESS);
  RegKey smp;
  ASSERT_EQ(RegKey::Create(HKEY::ClassesRoot, ".smp", smp), ERROR_SUCCESS);
  ASSERT_EQ(smp.SetString("", "smp_auto_file"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteTree(HKEY::ClassesRoot, "clsid"), ERROR_SUCCESS);
  ASSERT_EQ(Open(HKEY::LocalMachine, "System\\CurrentControlSet\\Control\\Nls\\CodePage")
                .SetString("OEMCP", "437"),
            ERROR_SUCCESS);

  std::string expected(kWineFile);
  auto replace = [&](std::string_view from, std::string_view to) {
    size_t at = expected.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    expected.replace(at, from.size(), to);
  };
  replace("\"Flags\"=dword:0000002a", "\"Flags\"=dword:0000002b");
  replace("\"Tabs\"=\"a\\tb\\nc\\rd\\0e\"\n", "");
  replace("\"OEMCP\"=\"932\"", "\"OEMCP\"=\"437\"");
  replace(
      "\n[Software\\\\Classes\\\\CLSID\\\\{0000031a-0000-0000-c000-000000000046}] 1733900000\n"
      "#time=1db4b8c2e5a1f00\n#class=\"Shell \\\"Item\\\"\"\n"
      "@=\"Caf\\xe9 \\\"quoted\\\" back\\\\slash\"\n",
      "");
  replace("\n[Software\\\\Classes\\\\.txt]",
          "\n[Software\\\\Classes\\\\.smp] T\n#time=T\n@=\"smp_auto_file\"\n"
          "\n[Software\\\\Classes\\\\.txt]");
  std::string written = Contents();
  EXPECT_EQ(WithoutTimes(written), WithoutTimes(expected));
  // Keys that did not change keep their times; changed ones have the time of the change.
  EXPECT_NE(written.find("[Software\\\\Empty] 1733900003\n#time=1db4b8c2e5a1f03\n"),
            std::string::npos);
  EXPECT_NE(written.find("[System\\\\CurrentControlSet] 1733900002\n#time=1db4b8c2e5a1f02\n"),
            std::string::npos);
  const std::string section = "[Software\\\\Classes\\\\.smp] ";
  size_t stamp = written.find(section);
  ASSERT_NE(stamp, std::string::npos);
  long long seconds = std::stoll(written.substr(stamp + section.size()));
  EXPECT_GE(seconds,
            std::chrono::duration_cast<std::chrono::seconds>(started.time_since_epoch()).count());
}

TEST_F(RegistryFileTest, ValuesAreWrittenAsWineWritesThem) {
  std::vector<std::uint8_t> sixty;
  for (int i = 0; i < 60; ++i) sixty.push_back(static_cast<std::uint8_t>(i));
  struct Case {
    std::string name;
    RegValue value;
    std::string line;
  } cases[] = {
      {"s",
       {REG_SZ, Sz(u"Café1 é \"q\" \\ \t\n\r\a\b\v\f\x1b")},
       R"("s"="Caf\x00e91 \xe9 \"q\" \\ \t\n\r\a\b\v\f\e")"},
      {"c",
       {REG_SZ, Sz(std::u16string{1, '7', 1, 'x', 0, '5', 0, 'y'})},
       R"("c"="\0017\1x\0005\0y")"},
      {"", {REG_EXPAND_SZ, Sz(u"%x%")}, R"(@=str(2):"%x%")"},
      {"m", {REG_MULTI_SZ, Utf16(std::u16string_view(u"a\0b\0\0", 5))}, R"("m"=str(7):"a\0b\0")"},
      {"d", {REG_DWORD, {0x2a, 0, 0, 0}}, R"("d"=dword:0000002a)"},
      {"b",
       {REG_BINARY, sixty},
       "\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
       "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\\\n"
       "  30,31,32,33,34,35,36,37,38,39,3a,3b"},
      {"q", {11, {1, 2, 3, 4, 5, 6, 7, 8}}, R"("q"=hex(b):01,02,03,04,05,06,07,08)"},
      {"u", {REG_SZ, {0x41, 0, 0x42}}, R"("u"=hex(1):41,00,42)"},
      {"w", {REG_DWORD, {1, 2}}, R"("w"=hex(4):01,02)"},
      {"n\"a[m]e\\", {REG_NONE, {}}, R"("n\"a[m]e\\"=hex(0):)"},
      {"\x93\xfa", {REG_SZ, Sz(u"")}, R"("\x65e5"="")"},
  };
  RegKey key;
  ASSERT_EQ(RegKey::Create(HKEY::CurrentUser, "Software\\[Wine]\\\x93\xfa", key), ERROR_SUCCESS);
  for (const Case& c : cases) ASSERT_EQ(key.Set(c.name, c.value), ERROR_SUCCESS) << c.line;
  std::string written = Contents("user.reg");
  EXPECT_NE(written.find("\n[Software\\\\\\[Wine\\]\\\\\\x65e5] "), std::string::npos) << written;
  for (const Case& c : cases)
    EXPECT_NE(written.find("\n" + c.line + "\n"), std::string::npos) << c.line << "\n" << written;
}

TEST_F(RegistryFileTest, NewFilesStartWithWinesHeader) {
  fs::remove(File("user.reg"));
  fs::remove(File("userdef.reg"));
  RegKey key;
  ASSERT_EQ(RegKey::Create(HKEY::CurrentUser, "Software\\New", key), ERROR_SUCCESS);
  ASSERT_EQ(RegKey::Create(HKEY::Users, ".Default\\Software\\New", key), ERROR_SUCCESS);
  EXPECT_TRUE(
      Contents("user.reg")
          .starts_with(
              "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
              "#arch=win32\n\n[Software\\\\New] "));
  EXPECT_TRUE(Contents("userdef.reg")
                  .starts_with("WINE REGISTRY Version 2\n;; All keys relative to "
                               "\\\\User\\\\.Default\n\n#arch=win32\n\n[Software\\\\New] "));
  EXPECT_NE(Contents("user.reg").find("\n#time="), std::string::npos);
}

TEST_F(RegistryFileTest, AFileThatIsNoRegistryFileIsNeverOverwritten) {
  RegKey software = Open(HKEY::LocalMachine, "Software");
  const std::string contents[] = {
      std::string("\x7f"
                  "ELF\x02\x01\x01\0\0\0\xff\xfe",
                  12),
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\"a\"=\"b\"\r\n",
      "WINE REGISTRY Version 1\n",
      "WINE REG",
  };
  for (const std::string& content : contents) {
    Install(content);
    RegKey key;
    EXPECT_EQ(RegKey::Open(HKEY::LocalMachine, "Software", key), ERROR_BADDB);
    EXPECT_EQ(RegKey::Create(HKEY::LocalMachine, "Software\\New", key), ERROR_BADDB);
    EXPECT_EQ(software.SetString("a", "c"), ERROR_BADDB);
    EXPECT_EQ(RegDeleteTree(HKEY::LocalMachine, "Software"), ERROR_BADDB);
    EXPECT_FALSE(RegKeyExists(HKEY::ClassesRoot, ".txt"));
    EXPECT_EQ(Contents(), content);
  }
  RegKey user;
  EXPECT_EQ(RegKey::Create(HKEY::CurrentUser, "Software\\StillFine", user), ERROR_SUCCESS);
}

TEST_F(RegistryFileTest, ATruncatedFileLoadsWhatItHoldsAndLosesNothing) {
  const size_t header = kWineFile.find('\n');
  const size_t flagsEnd = kWineFile.find("\"Flags\"=dword:0000002a\n") + 22;
  for (size_t cut = 0; cut < kWineFile.size(); cut += 11) {
    std::string truncated(kWineFile.substr(0, cut));
    Install(truncated);
    RegKey key;
    DWORD created = RegKey::Create(HKEY::LocalMachine, "Software\\Added", key);
    if (cut > 0 && cut < header) {
      EXPECT_EQ(created, ERROR_BADDB) << cut;
      EXPECT_EQ(Contents(), truncated);
      continue;
    }
    ASSERT_EQ(created, ERROR_SUCCESS) << cut;
    ASSERT_EQ(key.SetString("v", "x"), ERROR_SUCCESS) << cut;
    EXPECT_TRUE(KeepsLinesInOrder(Contents(), truncated)) << cut << "\n" << Contents();
    DWORD flags = 0;
    if (cut >= flagsEnd) {
      EXPECT_EQ(Open(HKEY::LocalMachine, kCurrentVersion).QueryDword("Flags", flags),
                ERROR_SUCCESS);
      EXPECT_EQ(flags, 42u);
    }
  }
}

TEST_F(RegistryFileTest, LinesThatDoNotParseAreKeptAndNeverTakeValues) {
  const std::string file = R"REG(WINE REGISTRY Version 2
;; All keys relative to \\Machine

[Software\\A] 1
"good"="1"
"bad"=dword:zz
garbage line
"unterminated="x
"cut"=hex:01,\
[Software\\Broken
"orphan"="2"

[Software\\B] 2
"b"="3"
)REG";
  Install(file);
  RegKey a = Open(HKEY::LocalMachine, "Software\\A");
  std::vector<std::string> names;
  ASSERT_EQ(a.ValueNames(names), ERROR_SUCCESS);
  EXPECT_EQ(names, std::vector<std::string>{"good"});
  EXPECT_TRUE(Open(HKEY::LocalMachine, "Software\\B").HasValue("b"));
  ASSERT_EQ(a.SetString("new", "4"), ERROR_SUCCESS);
  ASSERT_EQ(a.SetString("bad", "5"), ERROR_SUCCESS);
  std::string written = Contents();
  EXPECT_TRUE(KeepsLinesInOrder(WithoutTimes(written), WithoutTimes(file))) << written;
  Install(written);  // read again from the file: the new values still belong to the key
  ASSERT_EQ(a.ValueNames(names), ERROR_SUCCESS);
  EXPECT_EQ(names, (std::vector<std::string>{"good", "new", "bad"}));
}

TEST_F(RegistryFileTest, ALeftoverTemporaryFileIsIgnored) {
  Install(kWineFile);
  RegKey cv = Open(HKEY::LocalMachine, kCurrentVersion);
  ASSERT_EQ(cv.SetDword("Flags", 1), ERROR_SUCCESS);
  const std::string before = Contents();
  // What a crash between writing the new file and renaming it leaves behind.
  std::ofstream(File().string() + ".tmp-Ab12Cd", std::ios::binary)
      << before.substr(0, before.size() / 2);
  Install(before);  // read again, as a process started after the crash would
  DWORD flags = 0;
  ASSERT_EQ(cv.QueryDword("Flags", flags), ERROR_SUCCESS);
  EXPECT_EQ(flags, 1u);
  ASSERT_EQ(cv.SetDword("Flags", 2), ERROR_SUCCESS);
  std::string expected = before;
  expected.replace(expected.find("dword:00000001"), 14, "dword:00000002");
  EXPECT_EQ(WithoutTimes(Contents()), WithoutTimes(expected));
}

TEST_F(RegistryFileTest, ChangesMadeByOtherProgramsAreSeen) {
  Install(kWineFile);
  RegKey cv = Open(HKEY::LocalMachine, kCurrentVersion);
  DWORD flags = 0;
  ASSERT_EQ(cv.QueryDword("Flags", flags), ERROR_SUCCESS);
  std::string text(kWineFile);
  text.replace(text.find("0000002a"), 8, "00000007");
  Install(text);  // a new file
  ASSERT_EQ(cv.QueryDword("Flags", flags), ERROR_SUCCESS);
  EXPECT_EQ(flags, 7u);
  text.replace(text.find("dword:00000007"), 14, "dword:0000000b\n\"Extra\"=dword:00000001");
  std::ofstream(File(), std::ios::binary | std::ios::trunc) << text;  // the same file rewritten
  ASSERT_EQ(cv.QueryDword("Flags", flags), ERROR_SUCCESS);
  EXPECT_EQ(flags, 11u);
  EXPECT_TRUE(cv.HasValue("Extra"));
}

}  // namespace
