#include "newsgate/inifile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/paths.h"
#include "platform/registry.h"
#include "scratch_root.h"

namespace newsgate {
namespace {

using testing_support::ScratchRootTest;

TEST(MemIniFileTest, ReadsAsWindowsDoes) {
  const TMemIniFile ini(
      "ignored=before any section\r\n"
      "  [First]  \r\n"
      "  Name  =  spaced value  \r\n"
      "quoted=\"  kept  \"\n"
      "single=' x '\r"
      "half=\"open\n"
      "lone=\"\n"
      "empty=\n"
      "no equals sign\n"
      "name=second is not read\n"
      "[first]\n"
      "other=in a repeated section\n"
      "[Second]\n"
      "Number=-12\n"
      "Bad=12x\n"
      "Flag=7\n"
      "bin=\x01\x83\x5C\xff");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"First", "first", "Second"}));
  EXPECT_EQ(ini.ReadString("FIRST", "name", "d"), "spaced value");
  EXPECT_EQ(ini.ReadString("First", "quoted", "d"), "  kept  ");
  EXPECT_EQ(ini.ReadString("First", "single", "d"), " x ");
  EXPECT_EQ(ini.ReadString("First", "half", "d"), "\"open");
  EXPECT_EQ(ini.ReadString("First", "lone", "d"), "\"");
  EXPECT_EQ(ini.ReadString("First", "empty", "d"), "");
  EXPECT_EQ(ini.ReadString("First", "ignored", "d"), "d");
  EXPECT_EQ(ini.ReadString("First", "other", "d"), "d");  // names find the first section
  EXPECT_EQ(ini.Section(1).ReadString("first", "other", "d"), "in a repeated section");
  EXPECT_EQ(ini.ReadString("Missing", "x", "d"), "d");
  EXPECT_EQ(ini.ReadInteger("Second", "Number", 5), -12);
  EXPECT_EQ(ini.ReadInteger("Second", "Bad", 5), 5);
  EXPECT_TRUE(ini.ReadBool("Second", "Flag", false));
  EXPECT_TRUE(ini.ReadBool("Second", "Bad", true));
  EXPECT_EQ(ini.ReadString("Second", "bin", ""), "\x01\x83\x5C\xff");
}

TEST(MemIniFileTest, WrittenValuesReadBackUnchanged) {
  const std::string values[] = {
      "",     "plain", " lead", "trail\t", "\"quoted\"", "'single'",
      "\"",   "a=b",   "[x]",   ";semi",   "\x83\x5C",   std::string("nul\0byte", 8),
      "\x1a",
  };
  TMemIniFile ini;
  for (size_t i = 0; i < std::size(values); ++i) ini.WriteString("S", std::to_string(i), values[i]);
  ini.WriteInteger("S", "n", -7);
  ini.WriteBool("S", "b", true);
  ini.WriteString("s", "0", "replaced");  // same section, same name
  const TMemIniFile read(ini.GetText());
  EXPECT_EQ(read.ReadSections(), std::vector<std::string>{"S"});
  EXPECT_EQ(read.ReadString("S", "0", "d"), "replaced");
  for (size_t i = 1; i < std::size(values); ++i)
    EXPECT_EQ(read.ReadString("S", std::to_string(i), "d"), values[i]) << i;
  EXPECT_EQ(read.ReadInteger("S", "n", 0), -7);
  EXPECT_EQ(read.ReadString("S", "b", ""), "1");
}

TEST(MemIniFileTest, LineBreaksCannotInjectLines) {
  TMemIniFile ini;
  ini.WriteString("S", "v", "x\r\n[Evil]\r\nEnabled=0");
  const TMemIniFile read(ini.GetText());
  EXPECT_EQ(read.ReadSections(), std::vector<std::string>{"S"});
  EXPECT_EQ(read.ReadString("S", "v", ""), "x  [Evil]  Enabled=0");
}

TEST(MemIniFileTest, EraseSection) {
  TMemIniFile ini("[a]\nx=1\n[b]\nx=2\n[A]\nx=3\n");
  ini.EraseSection("a");
  EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"b"});
  EXPECT_EQ(ini.ReadString("b", "x", ""), "2");
  ini.EraseSection("missing");
  EXPECT_EQ(ini.SectionCount(), 1);
}

TEST(MemIniFileTest, HostileText) {
  std::string text;
  for (int i = 0; i < 10000; ++i)
    text += "[s" + std::to_string(i) + "]\nv=" + std::to_string(i) + "\n";
  text += "[big]\nv=" + std::string(100 * 1024, 'x') + "\n[";
  for (int c = 0; c < 256; ++c) text += static_cast<char>(c);
  const TMemIniFile ini(text);
  EXPECT_EQ(ini.SectionCount(), 10001);
  EXPECT_EQ(ini.ReadString("s9999", "v", ""), "9999");
  EXPECT_EQ(ini.ReadString("big", "v", "").size(), 100u * 1024);
}

class IniFileOnDiskTest : public ScratchRootTest {};

TEST_F(IniFileOnDiskTest, FileRoundTripAndErrors) {
  TMemIniFile ini;
  ini.WriteString("S", "v", " value ");
  ini.SaveToFile("C:\\filters.npf");
  EXPECT_EQ(TMemIniFile::FromFile("C:\\filters.npf").ReadString("S", "v", ""), " value ");
  // the file is replaced whole: no temporary file is left beside it
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root_.driveC()))
    files += entry.is_regular_file();
  EXPECT_EQ(files, 1u);

  EXPECT_THROW(TMemIniFile::FromFile("C:\\missing.npf"), EStoreError);
  EXPECT_THROW(TMemIniFile::FromFile("C:\\windows"), EStoreError);
  EXPECT_THROW(ini.SaveToFile("C:\\no such folder\\x.npf"), EStoreError);
  std::ofstream(root_.driveC() / "empty.npf").flush();
  EXPECT_EQ(TMemIniFile::FromFile("C:\\empty.npf").SectionCount(), 0);
}

class RegistryIniFileTest : public ScratchRootTest {};

TEST_F(RegistryIniFileTest, TypedValuesInSubkeys) {
  TRegistryIniFile store(win::HKEY::CurrentUser, "Software\\Test\\Store");
  EXPECT_TRUE(win::RegKeyExists(win::HKEY::CurrentUser, "Software\\Test\\Store"));
  EXPECT_TRUE(store.ReadSections().empty());

  store.WriteString("0", "Text", "\x83\x5C text");
  store.WriteInteger("0", "Number", -5);
  store.WriteBool("0", "Flag", true);
  store.WriteInteger("1", "Number", 1);

  win::RegKey key;
  ASSERT_EQ(win::RegKey::Open(win::HKEY::CurrentUser, "Software\\Test\\Store\\0", key), 0u);
  win::RegValue value;
  ASSERT_EQ(key.Query("Number", value), 0u);
  EXPECT_EQ(value.type, win::REG_DWORD);
  ASSERT_EQ(key.Query("Flag", value), 0u);
  EXPECT_EQ(value.type, win::REG_SZ);
  key.SetString("NumberText", "42");
  key.SetBinary("Binary", {1, 2, 3, 4});

  EXPECT_EQ(store.ReadSections(), (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(store.ReadString("0", "Text", ""), "\x83\x5C text");
  EXPECT_EQ(store.ReadInteger("0", "Number", 0), -5);
  EXPECT_EQ(store.ReadString("0", "Number", ""), "-5");
  EXPECT_EQ(store.ReadInteger("0", "NumberText", 0), 42);
  EXPECT_EQ(store.ReadInteger("0", "Text", 9), 9);
  EXPECT_EQ(store.ReadInteger("0", "Binary", 9), 9);
  EXPECT_EQ(store.ReadString("0", "Binary", "d"), "d");
  EXPECT_TRUE(store.ReadBool("0", "Flag", false));
  EXPECT_EQ(store.ReadString("missing", "Text", "d"), "d");

  store.EraseSection("0");
  store.EraseSection("missing");
  EXPECT_EQ(store.ReadSections(), std::vector<std::string>{"1"});
}

}  // namespace
}  // namespace newsgate
