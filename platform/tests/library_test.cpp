#include "platform/library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/paths.h"
#include "scratch_root.h"

namespace {

namespace fs = std::filesystem;
using namespace win;

using Entry = int (*)();

class LibraryTest : public testing_support::ScratchRootTest {
 protected:
  // Puts a host file at a Windows path.
  void Install(const fs::path& from, const std::string& to) {
    const fs::path host = *HostPath(to);
    fs::create_directories(host.parent_path());
    fs::copy_file(from, host, fs::copy_options::overwrite_existing);
  }
  void Write(const std::string& to, const std::string& bytes) {
    const fs::path host = *HostPath(to);
    fs::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary) << bytes;
  }

  static int Call(HMODULE module, const char* name) {
    FARPROC entry = GetProcAddress(module, name);
    EXPECT_NE(entry, nullptr) << name;
    return entry ? reinterpret_cast<Entry>(entry)() : -1;
  }
};

TEST_F(LibraryTest, LoadsALibraryAndCallsItsEntries) {
  // the second path has 表 (second byte 0x5C) in a folder name and is looked up in another case
  const std::pair<std::string, std::string> paths[] = {
      {"C:\\windows\\system32\\SAMPLE.OCX", "C:\\WINDOWS\\SYSTEM32\\sample.ocx"},
      {"C:\\Program Files\\\x83\x41\x95\x5C\\CTL.DLL",
       "c:\\program files\\\x83\x41\x95\x5C\\ctl.dll"},
  };
  for (const auto& [installed, loaded] : paths) {
    SCOPED_TRACE(loaded);
    Install(CONTROL_OK, installed);
    HMODULE module = LoadLibraryA(loaded);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(Call(module, "DllRegisterServer"), 0);
    EXPECT_EQ(Call(module, "DllUnregisterServer"), 1);  // one registration in this library

    HMODULE again = LoadLibraryA(installed);  // the same library, loaded once more
    EXPECT_EQ(again, module);
    EXPECT_EQ(Call(again, "DllRegisterServer"), 0);
    EXPECT_EQ(Call(module, "DllUnregisterServer"), 2);
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST_F(LibraryTest, AFailingRegistrationAndAMissingEntry) {
  Install(CONTROL_FAIL, "C:\\windows\\system32\\BAD.OCX");
  HMODULE module = LoadLibraryA("C:\\windows\\system32\\BAD.OCX");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(Call(module, "DllRegisterServer"), static_cast<int>(0x80004005u));
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(module, "DllUnregisterServer"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(LibraryTest, FilesThatCannotBeLoaded) {
  std::string windowsDll(0x100, '\0');
  windowsDll.replace(0, 2, "MZ");
  windowsDll[0x3C] = 0x80;
  windowsDll.replace(0x80, 4, std::string("PE\0\0", 4));
  Write("C:\\LIB\\WINDOWS.DLL", windowsDll);
  Write("C:\\LIB\\README.DLL", "not a library");
  Write("C:\\LIB\\EMPTY.DLL", "");
  struct Case {
    std::string path;
    DWORD error;
  } cases[] = {
      {"C:\\LIB\\MISSING.DLL", ERROR_MOD_NOT_FOUND},
      {"C:\\NOWHERE\\MISSING.DLL", ERROR_MOD_NOT_FOUND},
      {"C:\\LIB\\*.DLL", ERROR_MOD_NOT_FOUND},
      {"Q:\\LIB\\X.DLL", ERROR_MOD_NOT_FOUND},
      {"C:\\LIB\\WINDOWS.DLL", ERROR_BAD_EXE_FORMAT},
      {"C:\\LIB\\README.DLL", ERROR_BAD_EXE_FORMAT},
      {"C:\\LIB\\EMPTY.DLL", ERROR_BAD_EXE_FORMAT},
      {"C:\\LIB", ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA(c.path), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(nullptr, "DllRegisterServer"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(FreeLibrary(nullptr));
}

}  // namespace
