#include "platform/fs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/testing/write_errors.h"
#include "scratch_root.h"

namespace {

namespace stdfs = std::filesystem;
using testing_support::ScratchRootTest;

class FsTest : public ScratchRootTest {
 protected:
  stdfs::path Host(const std::string& relative) const { return root_.driveC() / relative; }

  void Write(const std::string& relative, const std::string& data) const {
    stdfs::create_directories(Host(relative).parent_path());
    std::ofstream(Host(relative), std::ios::binary) << data;
  }

  std::string Read(const std::string& relative) const {
    std::ifstream in(Host(relative), std::ios::binary);
    std::stringstream data;
    data << in.rdbuf();
    return data.str();
  }

  mode_t Mode(const std::string& relative) const {
    struct stat st;
    EXPECT_EQ(stat(Host(relative).c_str(), &st), 0);
    return st.st_mode & 07777;
  }

  std::vector<std::string> Names(const std::string& relativeFolder) const {
    std::vector<std::string> names;
    for (const auto& entry : stdfs::directory_iterator(Host(relativeFolder)))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  // Whether the scratch file system keeps user extended attributes.
  bool KeepsXattrs() const {
    Write("probe", "");
    const bool kept = setxattr(Host("probe").c_str(), "user.probe", "1", 1, 0) == 0;
    stdfs::remove(Host("probe"));
    return kept;
  }

  std::vector<std::string> Search(const std::string& pattern) {
    std::vector<std::string> names;
    win::FileSearch search;
    win::WIN32_FIND_DATAA data;
    for (bool more = search.First(pattern, data); more; more = search.Next(data))
      names.push_back(data.cFileName);
    return names;
  }
};

TEST(MatchFileNameTest, FollowsWindowsRules) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"*", "anything.txt", true},
      {"*.*", "README", true},
      {"*.*", "a.b.c", true},
      {"*.*", ".", true},
      {"*.txt", "NOTES.TXT", true},
      {"*.txt", "a.b.txt", true},
      {"*.txt", "a.txt.bak", false},
      {"*.txt", "txt", false},
      {"*.", "noext", true},
      {"*.", "a.b", false},
      {"a?.txt", "a.txt", true},
      {"a?.txt", "ab.txt", true},
      {"a?.txt", "abc.txt", false},
      {"???", "ab", true},
      {"???", "abcd", false},
      {"abc.*", "abc", true},
      {"abc.*", "abc.d", true},
      {"abc.*", "abcd", false},
      {"*.tx?", "x.tx", true},
      {"*.tx?", "x.txt", true},
      {"*.tx?", "x.txtt", false},
      {"SET*.INI", "setup.ini", true},
      {"*a*b", "xAyyB", true},
      {"*a*b", "xAyyBc", false},
      {"a", "b", false},
      {"", "", true},
      {"", "a", false},
      // Shift-JIS: "?" takes a whole double-byte character, trail bytes are no letters.
      {"?x", "\x95\x5Cx", true},
      {"\x83\x41", "\x83\x61", false},
      {"*\x5C", "\x95\x5C", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(win::MatchFileName(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
}

TEST_F(FsTest, SearchListsMatchesInNameOrderWithDotEntries) {
  Write("Dir/b.TXT", "bb");
  Write("Dir/a.txt", "a");
  Write("Dir/c.dat", "");
  stdfs::create_directory(Host("Dir/Sub"));

  EXPECT_EQ(Search("C:\\dir\\*.txt"), (std::vector<std::string>{"a.txt", "b.TXT"}));
  EXPECT_EQ(Search("C:\\DIR\\*.*"),
            (std::vector<std::string>{".", "..", "Sub", "a.txt", "b.TXT", "c.dat"}));
  EXPECT_EQ(Search("C:\\dir\\A.TXT"), (std::vector<std::string>{"a.txt"}));
  for (const std::string& name : Search("C:\\*.*")) EXPECT_NE(name, ".");

  win::FileSearch search;
  win::WIN32_FIND_DATAA data;
  ASSERT_TRUE(search.First("C:\\dir\\b*", data));
  EXPECT_EQ(data.FileSize(), 2u);
  EXPECT_EQ(data.dwFileAttributes, win::FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_FALSE(search.Next(data));
  EXPECT_EQ(win::GetLastError(), win::ERROR_NO_MORE_FILES);
  ASSERT_TRUE(search.First("C:\\dir\\s?b", data));
  EXPECT_EQ(data.dwFileAttributes, win::FILE_ATTRIBUTE_DIRECTORY);

  EXPECT_FALSE(search.First("C:\\dir\\*.exe", data));
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(search.First("C:\\missing\\*.*", data));
  EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
}

TEST_F(FsTest, AttributesFollowWriteBitAndExtendedAttribute) {
  Write("f.txt", "x");
  EXPECT_EQ(win::GetFileAttributesA("C:\\F.TXT"), win::FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(win::GetFileAttributesA("C:\\users"), win::FILE_ATTRIBUTE_DIRECTORY);

  ASSERT_TRUE(win::SetFileAttributesA("C:\\f.txt",
                                      win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(Mode("f.txt") & 0222, 0u);
  if (KeepsXattrs()) {
    EXPECT_EQ(win::GetFileAttributesA("C:\\f.txt"),
              win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_HIDDEN);
    char value[16] = {};
    ASSERT_EQ(getxattr(Host("f.txt").c_str(), "user.DOSATTRIB", value, sizeof value), 3);
    EXPECT_STREQ(value, "0x2");
  }
  ASSERT_TRUE(win::SetFileAttributesA("C:\\f.txt", win::FILE_ATTRIBUTE_NORMAL));
  EXPECT_NE(Mode("f.txt") & S_IWUSR, 0u);
  if (KeepsXattrs()) {
    EXPECT_EQ(win::GetFileAttributesA("C:\\f.txt"), win::FILE_ATTRIBUTE_NORMAL);
  }

  EXPECT_EQ(win::GetFileAttributesA("C:\\nothing.txt"), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::GetFileAttributesA("C:\\no\\thing.txt"), win::INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
}

TEST_F(FsTest, DosDateTimeOfKnownLocalTime) {
  Write("dated.txt", "");
  struct tm local = {};
  local.tm_year = 2001 - 1900;
  local.tm_mon = 1;
  local.tm_mday = 3;
  local.tm_hour = 4;
  local.tm_min = 5;
  local.tm_sec = 7;
  local.tm_isdst = -1;
  const timespec times[2] = {{mktime(&local), 0}, {mktime(&local), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, Host("dated.txt").c_str(), times, 0), 0);

  win::WORD date = 0, time = 0;
  ASSERT_TRUE(win::GetFileDosDateTime("C:\\dated.txt", date, time));
  EXPECT_EQ(date, (21 << 9) | (2 << 5) | 3);
  EXPECT_EQ(time, (4 << 11) | (5 << 5) | 3);

  const win::FILETIME before1980{0, 0};
  EXPECT_FALSE(win::FileTimeToDosDateTime(before1980, date, time));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
}

TEST_F(FsTest, CopyKeepsExecuteBitAndDateAndLeavesNoTemporaryFile) {
  Write("src/tool.sh", "#!/bin/sh\n");
  stdfs::permissions(Host("src/tool.sh"), static_cast<stdfs::perms>(0750));
  stdfs::last_write_time(Host("src/tool.sh"),
                         stdfs::last_write_time(Host("src/tool.sh")) - std::chrono::hours(48));
  stdfs::create_directory(Host("dst"));

  ASSERT_TRUE(win::CopyFileA("C:\\src\\tool.sh", "C:\\dst\\TOOL.SH", win::FALSE));
  EXPECT_EQ(Read("dst/TOOL.SH"), "#!/bin/sh\n");
  EXPECT_EQ(Mode("dst/TOOL.SH"), 0750u);
  EXPECT_EQ(Names("dst"), std::vector<std::string>{"TOOL.SH"});
  win::WORD sourceDate, sourceTime, copyDate, copyTime;
  ASSERT_TRUE(win::GetFileDosDateTime("C:\\src\\tool.sh", sourceDate, sourceTime));
  ASSERT_TRUE(win::GetFileDosDateTime("C:\\dst\\tool.sh", copyDate, copyTime));
  EXPECT_EQ(copyDate, sourceDate);
  EXPECT_EQ(copyTime, sourceTime);
}

TEST_F(FsTest, CopyOverReadOnlyTargetIsRefusedUntilAttributesAreCleared) {
  Write("new.ini", "new");
  Write("old.ini", "old");
  ASSERT_TRUE(win::SetFileAttributesA("C:\\old.ini", win::FILE_ATTRIBUTE_READONLY));

  EXPECT_FALSE(win::CopyFileA("C:\\new.ini", "C:\\old.ini", win::FALSE));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Read("old.ini"), "old");

  ASSERT_TRUE(win::SetFileAttributesA("C:\\old.ini", win::FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_FALSE(win::CopyFileA("C:\\new.ini", "C:\\old.ini", win::TRUE));
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_EXISTS);
  EXPECT_EQ(Read("old.ini"), "old");

  ASSERT_TRUE(win::CopyFileA("C:\\new.ini", "C:\\old.ini", win::FALSE));
  EXPECT_EQ(Read("old.ini"), "new");
}

TEST_F(FsTest, InjectedWriteErrorFailsWritesUnderTheFolderOnly) {
  Write("Full/kept.dat", "kept");
  Write("data.bin", "fresh");
  {
    win::testing::ScopedWriteError full("C:\\full", win::ERROR_DISK_FULL);
    EXPECT_FALSE(win::CopyFileA("C:\\data.bin", "C:\\full\\kept.dat", win::FALSE));
    EXPECT_EQ(win::GetLastError(), win::ERROR_DISK_FULL);
    EXPECT_FALSE(win::CopyFileA("C:\\data.bin", "C:\\full\\new.dat", win::FALSE));
    EXPECT_EQ(win::GetLastError(), win::ERROR_DISK_FULL);
    EXPECT_FALSE(win::CreateDirectoryA("C:\\Full\\Sub"));
    EXPECT_EQ(win::GetLastError(), win::ERROR_DISK_FULL);
    EXPECT_FALSE(win::MoveFileA("C:\\data.bin", "C:\\full\\moved.bin"));
    EXPECT_EQ(win::GetLastError(), win::ERROR_DISK_FULL);
    EXPECT_TRUE(win::CopyFileA("C:\\data.bin", "C:\\fuller.bin", win::FALSE));
  }
  EXPECT_EQ(Read("Full/kept.dat"), "kept");
  EXPECT_EQ(Names("Full"), std::vector<std::string>{"kept.dat"});
  EXPECT_TRUE(win::CopyFileA("C:\\data.bin", "C:\\full\\kept.dat", win::FALSE));
  EXPECT_EQ(Read("Full/kept.dat"), "fresh");
}

TEST_F(FsTest, ShellDeleteRemovesPatternsFoldersAndReadOnlyFiles) {
  Write("app/a.TMP", "");
  Write("app/b.tmp", "");
  Write("app/keep.ini", "");
  Write("app/cache.tmp/inner.txt", "");  // a folder that matches goes with its contents
  EXPECT_EQ(win::ShellDeletePath("C:\\APP\\*.tmp"), 0u);
  EXPECT_EQ(Names("app"), std::vector<std::string>{"keep.ini"});
  EXPECT_EQ(win::ShellDeletePath("C:\\app\\*.none"), 0u);

  Write("ro.txt", "");
  ASSERT_TRUE(win::SetFileAttributesA("C:\\ro.txt", win::FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(win::ShellDeletePath("C:\\ro.txt"), 0u);
  EXPECT_FALSE(stdfs::exists(Host("ro.txt")));

  // A whole folder: read-only files and folders inside, and a link that is removed, not followed.
  Write("tree/sub/locked.txt", "");
  Write("outside/precious.txt", "keep me");
  stdfs::create_directory_symlink(Host("outside"), Host("tree/sub/link"));
  ASSERT_TRUE(win::SetFileAttributesA("C:\\tree\\sub\\locked.txt", win::FILE_ATTRIBUTE_READONLY));
  stdfs::permissions(Host("tree/sub"), static_cast<stdfs::perms>(0500));
  EXPECT_EQ(win::ShellDeletePath("C:\\tree"), 0u);
  EXPECT_FALSE(stdfs::exists(Host("tree")));
  EXPECT_EQ(Read("outside/precious.txt"), "keep me");

  EXPECT_EQ(win::ShellDeletePath("C:\\tree"), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::ShellDeletePath("C:\\"), win::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(stdfs::exists(Host("outside")));
}

TEST_F(FsTest, CommonFailuresGiveWindowsErrorCodes) {
  Write("full/file.txt", "");
  Write("ro.txt", "");
  ASSERT_TRUE(win::SetFileAttributesA("C:\\ro.txt", win::FILE_ATTRIBUTE_READONLY));
  struct Case {
    const char* what;
    std::function<win::BOOL()> call;
    win::DWORD error;
  } cases[] = {
      {"create existing", [] { return win::CreateDirectoryA("C:\\full"); }, 183},
      {"create in missing", [] { return win::CreateDirectoryA("C:\\no\\sub"); }, 3},
      {"remove non-empty", [] { return win::RemoveDirectoryA("C:\\full"); }, 145},
      {"remove a file", [] { return win::RemoveDirectoryA("C:\\ro.txt"); }, 267},
      {"remove missing", [] { return win::RemoveDirectoryA("C:\\none"); }, 2},
      {"remove drive root", [] { return win::RemoveDirectoryA("C:\\"); }, 5},
      {"delete read-only", [] { return win::DeleteFileA("C:\\ro.txt"); }, 5},
      {"delete folder", [] { return win::DeleteFileA("C:\\full"); }, 5},
      {"delete missing", [] { return win::DeleteFileA("C:\\full\\none.txt"); }, 2},
      {"move onto existing", [] { return win::MoveFileA("C:\\ro.txt", "C:\\full\\file.txt"); },
       183},
      {"copy missing", [] { return win::CopyFileA("C:\\none", "C:\\x", win::FALSE); }, 2},
      {"copy into missing", [] { return win::CopyFileA("C:\\ro.txt", "C:\\no\\x", win::FALSE); },
       3},
      {"copy a folder", [] { return win::CopyFileA("C:\\full", "C:\\x", win::FALSE); }, 5},
      {"copy onto itself", [] { return win::CopyFileA("C:\\ro.txt", "C:\\RO.TXT", win::FALSE); },
       32},
      {"bad character", [] { return win::CreateDirectoryA("C:\\a|b"); }, 123},
      {"too long", [] { return win::CreateDirectoryA("C:\\" + std::string(300, 'a')); }, 206},
      {"unmapped drive", [] { return win::CreateDirectoryA("Q:\\x"); }, 3},
  };
  for (const Case& c : cases) {
    win::SetLastError(0);
    EXPECT_FALSE(c.call()) << c.what;
    EXPECT_EQ(win::GetLastError(), c.error) << c.what;
  }
  EXPECT_TRUE(stdfs::exists(Host("ro.txt")));
  EXPECT_TRUE(stdfs::exists(Host("full/file.txt")));
}

TEST_F(FsTest, FoldersAndMovesSucceed) {
  ASSERT_TRUE(win::CreateDirectoryA("C:\\New"));
  ASSERT_TRUE(win::MoveFileA("C:\\new", "C:\\Renamed"));
  Write("Renamed/item.txt", "1");
  ASSERT_TRUE(win::MoveFileA("C:\\renamed\\item.txt", "C:\\renamed\\ITEM.TXT"));
  EXPECT_EQ(Names("Renamed"), std::vector<std::string>{"ITEM.TXT"});
  ASSERT_TRUE(win::DeleteFileA("C:\\renamed\\item.txt"));
  ASSERT_TRUE(win::RemoveDirectoryA("C:\\RENAMED\\"));
  EXPECT_FALSE(stdfs::exists(Host("Renamed")));
}

TEST_F(FsTest, MoveWithReplaceSwapsOnlyFiles) {
  Write("m/old.ini", "old");
  Write("m/new.tmp", "new");
  EXPECT_FALSE(win::MoveFileA("C:\\m\\new.tmp", "C:\\m\\old.ini"));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(win::MoveFileExA("C:\\m\\new.tmp", "C:\\M\\OLD.INI", win::MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Names("m"), std::vector<std::string>{"old.ini"});
  EXPECT_EQ(Read("m/old.ini"), "new");

  Write("m/folder/inside.txt", "1");
  EXPECT_FALSE(win::MoveFileExA("C:\\m\\old.ini", "C:\\m\\folder", win::MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(win::GetLastError(), win::ERROR_ALREADY_EXISTS);
}

TEST_F(FsTest, FreeSpaceAgreesBetweenBothCalls) {
  std::uint64_t available = 0, total = 0, free = 0;
  ASSERT_TRUE(win::GetDiskFreeSpaceExA("C:\\", &available, &total, &free));
  win::DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(win::GetDiskFreeSpaceA("C:\\", &sectors, &bytes, &freeClusters, &clusters));

  EXPECT_GT(total, 0u);
  EXPECT_LE(available, free);
  EXPECT_LE(free, total);
  const std::uint64_t cluster = std::uint64_t{sectors} * bytes;
  ASSERT_GT(cluster, 0u);
  EXPECT_LE(total - std::uint64_t{clusters} * cluster, cluster);
  const std::uint64_t byClusters = std::uint64_t{freeClusters} * cluster;
  const std::uint64_t slack = cluster + (64u << 20);  // other processes write meanwhile
  EXPECT_LE(byClusters, available + slack);
  EXPECT_LE(available, byClusters + slack);

  EXPECT_FALSE(win::GetDiskFreeSpaceExA("Q:\\", &available, nullptr, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_PATH_NOT_FOUND);
}

}  // namespace
