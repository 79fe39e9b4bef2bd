#include "platform/lz.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "host_files.h"
#include "platform/paths.h"
#include "platform/testing/write_errors.h"
#include "scratch_root.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Listing;
using testing_support::ReadFile;
using testing_support::WriteFile;
using namespace win;

// A header that stores the character `missing` and the expanded size `length`, then `data`.
std::string Szdd(char missing, std::uint32_t length, const std::string& data = "") {
  std::string h =
      "SZDD\x88\xF0\x27\x33"
      "A";
  h += missing;
  for (int i = 0; i < 4; ++i) h += static_cast<char>(length >> (8 * i) & 0xFF);
  return h + data;
}

// What the system's COMPRESS.EXE writes for `original`: the compressed data of mscompress with the
// replaced character stored in the header.
std::string Compress(const fs::path& work, const std::string& original, char missing) {
  const fs::path plain = work / "plain";
  WriteFile(plain, original);
  const std::string command = "mscompress '" + plain.string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::string packed = ReadFile(work / "plain_");
  fs::remove(plain);
  fs::remove(work / "plain_");
  EXPECT_GE(packed.size(), 14u);
  packed[9] = missing;
  return packed;
}

// Expands a Windows path into another one the way the copy phase does.
long Expand(const std::string& from, const std::string& to) {
  int in = LZOpenFileA(from, OF_SHARE_EXCLUSIVE);
  int out = LZOpenFileA(to, OF_CREATE);
  long result = in < 0 ? in : out < 0 ? out : LZCopy(in, out);
  LZClose(in);
  LZClose(out);
  return result;
}

class LzTest : public testing_support::ScratchRootTest {
 protected:
  void SetUp() override { fs::create_directory(dir_); }
  const fs::path dir_ = root_.driveC() / "SRC";
};

std::string Sample(std::size_t size) {
  std::mt19937 rng(7);
  std::string s;
  while (s.size() < size) {
    // words repeat (back references) between runs of noise (literals)
    s += (rng() % 3 == 0) ? std::string(1 + rng() % 40, static_cast<char>(rng()))
                          : "repeated text " + std::to_string(rng() % 50) + "\r\n";
  }
  s.resize(size);
  return s;
}

// SZDD data made only of literals (mscompress garbles files shorter than 16 bytes).
std::string Literals(const std::string& data) {
  std::string packed;
  for (std::size_t i = 0; i < data.size(); i += 8) packed += '\xFF' + data.substr(i, 8);
  return Szdd('N', static_cast<std::uint32_t>(data.size()), packed);
}

TEST_F(LzTest, ExpandsCompressedFilesToTheOriginal) {
  std::vector<std::pair<std::string, std::string>> files;  // original, compressed
  for (std::size_t size : {0, 16, 4096, 4113, 200000}) {
    std::string original = Sample(size);
    files.emplace_back(original, Compress(dir_, original, 'N'));
  }
  for (std::size_t size : {1, 15}) files.emplace_back(Sample(size), Literals(Sample(size)));

  for (const auto& [original, packed] : files) {
    SCOPED_TRACE(original.size());
    WriteFile(dir_ / "DATA.BI_", packed);
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (dir_ / "DATA.BI_").c_str(), old, 0), 0);

    EXPECT_EQ(Expand("C:\\SRC\\DATA.BI_", "C:\\SRC\\DATA.BIN"), static_cast<long>(original.size()));
    EXPECT_EQ(ReadFile(dir_ / "DATA.BIN"), original);
    EXPECT_EQ(fs::last_write_time(dir_ / "DATA.BIN"), fs::last_write_time(dir_ / "DATA.BI_"));
    EXPECT_EQ(Listing(dir_), (std::vector<std::string>{"DATA.BIN", "DATA.BI_"}));
    fs::remove(dir_ / "DATA.BIN");
  }
}

TEST_F(LzTest, CopiesUncompressedFilesUnchanged) {
  // too short to hold the whole signature, so not compressed
  for (const std::string& content : {std::string(), std::string("SZDD\x88"), Sample(70000)}) {
    WriteFile(dir_ / "PLAIN.TX_", content);
    std::string name;
    EXPECT_EQ(GetExpandedNameA("C:\\SRC\\PLAIN.TX_", name), 1);
    EXPECT_EQ(name, "C:\\SRC\\PLAIN.TX_");
    EXPECT_EQ(Expand("C:\\SRC\\PLAIN.TX_", "C:\\SRC\\OUT.TXT"), static_cast<long>(content.size()));
    EXPECT_EQ(ReadFile(dir_ / "OUT.TXT"), content);
  }
}

TEST_F(LzTest, ExpandedNameTakesTheHeaderCharacterInTheNamesCase) {
  struct Case {
    std::string name;
    char missing;
    std::string expanded;
  } cases[] = {
      {"SAMPLE.EX_", 'E', "SAMPLE.EXE"},
      {"sample.ex_", 'E', "sample.exe"},
      {"sample.EX_", 'e', "sample.EXE"},
      {"Readme.tx_", 'T', "Readme.txt"},  // the last letter decides
      {"DATA.1_", 'a', "DATA.1A"},
      {"123.45_", 'x', "123.45x"},  // no letter: as stored
      {"SAMPLE.DL_", '$', "SAMPLE.DL$"},
      {"a.txt_", '\0', "a.txt"},  // nothing stored: the "_" goes
      {"X._", '\0', "X"},
      {"X.EX_", '\\', "X.EX"},    // a separator cannot end a name
      {"X.EX_", '\x81', "X.EX"},  // nor can a lone lead byte
      {"NOEXT_", 'E', "NOEXT_"},  // only an extension is shortened
      {"DIR.X\\FILE_", 'E', "DIR.X\\FILE_"},
      {"X.\x95\x5C_", 'Z', "X.\x95\x5CZ"},  // the second byte of a character is no separator
      {"X.\x83\x5F", 'Z', "X.\x83\x5F"},    // nor an underscore
  };
  fs::create_directory(dir_ / "DIR.X");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = "C:\\SRC\\" + c.name;
    WriteFile(*HostPath(path), Szdd(c.missing, 0));
    std::string expanded;
    EXPECT_EQ(GetExpandedNameA(path, expanded), 1);
    EXPECT_EQ(expanded, "C:\\SRC\\" + c.expanded);
  }
}

TEST_F(LzTest, CorruptInputFailsAndLeavesTheOutputAlone) {
  const std::string good = Compress(dir_, Sample(20000), 'T');
  struct Case {
    std::string what;
    std::string bytes;
    int openError;  // of the source, else the copy's
  };
  std::vector<Case> cases = {
      {"header cut short", good.substr(0, 12), LZERROR_READ},
      {"unknown method", good.substr(0, 8) + "B" + good.substr(9), LZERROR_UNKNOWNALG},
      {"size larger than the data", Szdd('T', 20001, good.substr(14)), 0},
      {"header without data", good.substr(0, 14), 0},
  };
  for (std::size_t cut : {std::size_t{15}, std::size_t{100}, good.size() / 2, good.size() - 1})
    cases.push_back({"data cut at " + std::to_string(cut), good.substr(0, cut), 0});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(dir_ / "BAD.TX_", c.bytes);
    WriteFile(dir_ / "OUT.TXT", "earlier");
    const int in = LZOpenFileA("C:\\SRC\\BAD.TX_", OF_READ);
    const int out = LZOpenFileA("C:\\SRC\\OUT.TXT", OF_CREATE);
    ASSERT_GT(out, 0);
    if (c.openError) {
      EXPECT_EQ(in, c.openError);
    } else {
      ASSERT_GT(in, 0);
      EXPECT_EQ(LZCopy(in, out), LZERROR_READ);
    }
    LZClose(in);
    LZClose(out);
    EXPECT_EQ(ReadFile(dir_ / "OUT.TXT"), "earlier");
    EXPECT_EQ(Listing(dir_), (std::vector<std::string>{"BAD.TX_", "OUT.TXT"}));
  }
}

TEST_F(LzTest, DataBeyondTheHeaderSizeIsDropped) {
  const std::string original = Sample(5000);
  std::string packed = Compress(dir_, original, 'T');
  WriteFile(dir_ / "SHORT.TX_", Szdd('T', 4000, packed.substr(14)));
  EXPECT_EQ(Expand("C:\\SRC\\SHORT.TX_", "C:\\SRC\\SHORT.TXT"), 4000);
  EXPECT_EQ(ReadFile(dir_ / "SHORT.TXT"), original.substr(0, 4000));
}

TEST_F(LzTest, HandleAndPathErrors) {
  WriteFile(dir_ / "A.TXT", "abc");
  SetLastError(0);
  EXPECT_EQ(LZOpenFileA("C:\\SRC\\MISSING.TX_", OF_READ), LZERROR_BADINHANDLE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(LZOpenFileA("C:\\NOWHERE\\OUT.TXT", OF_CREATE), LZERROR_BADINHANDLE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(LZOpenFileA("C:\\SRC", OF_READ), LZERROR_BADINHANDLE);
  EXPECT_EQ(LZOpenFileA("C:\\SRC", OF_CREATE), LZERROR_BADINHANDLE);
  EXPECT_EQ(LZOpenFileA("C:\\SRC\\A?.TXT", OF_CREATE), LZERROR_BADINHANDLE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
  EXPECT_EQ(LZOpenFileA("C:\\SRC\\A.TXT", OF_WRITE), LZERROR_BADVALUE);
  std::string name;
  EXPECT_EQ(GetExpandedNameA("C:\\SRC\\MISSING.TX_", name), LZERROR_BADINHANDLE);
  EXPECT_EQ(name, "C:\\SRC\\MISSING.TX_");

  const int in = LZOpenFileA("C:\\SRC\\A.TXT", OF_READ);
  const int out = LZOpenFileA("C:\\SRC\\B.TXT", OF_CREATE);
  ASSERT_GT(in, 0);
  ASSERT_GT(out, 0);
  EXPECT_EQ(LZCopy(out, out), LZERROR_BADINHANDLE);
  EXPECT_EQ(LZCopy(in, in), LZERROR_BADOUTHANDLE);
  EXPECT_EQ(LZCopy(12345, out), LZERROR_BADINHANDLE);
  EXPECT_EQ(LZCopy(in, out), 3);
  EXPECT_EQ(LZCopy(in, out), LZERROR_BADOUTHANDLE);  // one copy per output
  LZClose(in);
  LZClose(out);
  EXPECT_EQ(LZCopy(in, out), LZERROR_BADINHANDLE);
  EXPECT_EQ(ReadFile(dir_ / "B.TXT"), "abc");

  LZClose(LZOpenFileA("C:\\SRC\\UNUSED.TXT", OF_CREATE));  // closed without a copy
  EXPECT_EQ(Listing(dir_), (std::vector<std::string>{"A.TXT", "B.TXT"}));
}

TEST_F(LzTest, AFullDiskFailsTheCopyAndLeavesNothing) {
  WriteFile(dir_ / "A.TX_", Compress(dir_, Sample(3000), 'T'));
  win::testing::ScopedWriteError full("C:\\SRC", ERROR_DISK_FULL);
  EXPECT_EQ(Expand("C:\\SRC\\A.TX_", "C:\\SRC\\A.TXT"), LZERROR_WRITE);
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(Listing(dir_), std::vector<std::string>{"A.TX_"});
}

}  // namespace
