#include "platform/system.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/root.h"
#include "scratch_root.h"

namespace {

namespace fs = std::filesystem;
using win::DWORD;

class SystemTest : public testing_support::ScratchRootTest {
 protected:
  void SetWineVersion(const char* version) {
    win::RegKey key;
    ASSERT_EQ(win::RegKey::Create(win::HKEY::CurrentUser, "Software\\Wine", key), 0u);
    ASSERT_EQ(key.SetString("Version", version), 0u);
  }
  DWORD Platform() {
    win::OSVERSIONINFOA info;
    EXPECT_TRUE(win::GetVersionExA(&info));
    return info.dwPlatformId;
  }
};

TEST_F(SystemTest, FoldersOfTheLayout) {
  const std::string user = "C:\\users\\" + win::LoginName();
  const std::string roaming = user + "\\AppData\\Roaming\\Microsoft\\Windows";
  const std::string common = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
  struct Case {
    int csidl;
    std::string path;
  };
  const Case cases[] = {
      {win::CSIDL_PROGRAMS, roaming + "\\Start Menu\\Programs"},
      {win::CSIDL_STARTUP, roaming + "\\Start Menu\\Programs\\StartUp"},
      {win::CSIDL_SENDTO, roaming + "\\SendTo"},
      {win::CSIDL_STARTMENU, roaming + "\\Start Menu"},
      {win::CSIDL_DESKTOPDIRECTORY, user + "\\Desktop"},
      {win::CSIDL_COMMON_STARTMENU, common},
      {win::CSIDL_COMMON_PROGRAMS, common + "\\Programs"},
      {win::CSIDL_COMMON_STARTUP, common + "\\Programs\\StartUp"},
      {win::CSIDL_COMMON_DESKTOPDIRECTORY, "C:\\users\\Public\\Desktop"},
  };
  for (const Case& c : cases) {
    std::string path;
    EXPECT_TRUE(win::SpecialFolderPath(c.csidl, path)) << c.csidl;
    EXPECT_EQ(path, c.path) << c.csidl;
    EXPECT_TRUE(fs::is_directory(*win::HostPath(path))) << path;
  }
  std::string path;
  EXPECT_FALSE(win::SpecialFolderPath(0x05, path));
  for (const std::string& folder :
       {win::GetWindowsDirectoryA(), win::GetSystemDirectoryA(), win::GetTempPathA()})
    EXPECT_TRUE(fs::is_directory(*win::HostPath(folder))) << folder;
  EXPECT_EQ(win::GetWindowsDirectoryA(), "C:\\windows");
  EXPECT_EQ(win::GetSystemDirectoryA(), "C:\\windows\\system32");
  EXPECT_EQ(win::GetTempPathA(), user + "\\AppData\\Local\\Temp\\");
}

TEST_F(SystemTest, PlatformFollowsTheWineVersionSetting) {
  EXPECT_EQ(Platform(), win::VER_PLATFORM_WIN32_NT);
  struct Case {
    const char* version;
    DWORD platform;
    bool commonFolders;
  };
  const Case cases[] = {{"win95", 1, false}, {"WIN98", 1, false}, {"winme", 1, false},
                        {"nt40", 2, true},   {"win10", 2, true},  {"unknown", 2, true}};
  for (const Case& c : cases) {
    SetWineVersion(c.version);
    EXPECT_EQ(Platform(), c.platform) << c.version;
    std::string path;
    EXPECT_EQ(win::SpecialFolderPath(win::CSIDL_COMMON_DESKTOPDIRECTORY, path), c.commonFolders)
        << c.version;
    EXPECT_TRUE(win::SpecialFolderPath(win::CSIDL_DESKTOPDIRECTORY, path)) << c.version;
  }
}

TEST_F(SystemTest, VersionNeedsTheStructureSize) {
  win::OSVERSIONINFOA info;
  info.dwOSVersionInfoSize = 156;
  EXPECT_FALSE(win::GetVersionExA(&info));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
  EXPECT_FALSE(win::GetVersionExA(nullptr));
  info.dwOSVersionInfoSize = 148;
  EXPECT_TRUE(win::GetVersionExA(&info));
  EXPECT_EQ(info.dwMajorVersion, 5u);
}

TEST_F(SystemTest, MutexNameHasOneHolderInAProcess) {
  win::NamedMutex first("ORVSETUP"), second("ORVSETUP"), other("Global\\ORVSETUP");
  EXPECT_EQ(first.TryAcquire(), 0u);
  EXPECT_EQ(first.TryAcquire(), 0u);  // holding it already
  EXPECT_EQ(second.TryAcquire(), win::ERROR_ALREADY_EXISTS);
  EXPECT_EQ(other.TryAcquire(), 0u);
  first.Release();
  EXPECT_FALSE(first.Held());
  EXPECT_EQ(second.TryAcquire(), 0u);
}

TEST_F(SystemTest, MutexHeldByAnotherProcessBlocksUntilItEnds) {
  int ready[2], quit[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(quit), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    win::NamedMutex mutex("ORVSETUP");
    char byte = mutex.TryAcquire() == 0 ? 'y' : 'n';
    if (write(ready[1], &byte, 1) != 1 || read(quit[0], &byte, 1) != 1) _exit(2);
    _exit(0);  // the process ends holding the name
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'y');
  win::NamedMutex mutex("ORVSETUP");
  EXPECT_EQ(mutex.TryAcquire(), win::ERROR_ALREADY_EXISTS);
  ASSERT_EQ(write(quit[1], "q", 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(mutex.TryAcquire(), 0u);
  for (int fd : {ready[0], ready[1], quit[0], quit[1]}) close(fd);
}

TEST_F(SystemTest, MutexesOfDifferentRootsAreDifferent) {
  win::NamedMutex here("ORVSETUP");
  ASSERT_EQ(here.TryAcquire(), 0u);
  testing_support::ScratchRoot other;
  win::NamedMutex there("ORVSETUP");
  EXPECT_EQ(there.TryAcquire(), 0u);
}

}  // namespace
