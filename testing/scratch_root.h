#pragma once
// A fresh emulated system in a temporary folder for one test; removed afterwards.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/root.h"

namespace testing_support {

class ScratchRoot {
 public:
  ScratchRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "wsroot-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = std::filesystem::path(pattern) / "root";
    win::UseSystemRoot(path_);
    win::SystemRoot();  // create the layout now
  }
  ~ScratchRoot() {
    std::error_code ec;
    std::filesystem::remove_all(path_.parent_path(), ec);
  }
  ScratchRoot(const ScratchRoot&) = delete;
  ScratchRoot& operator=(const ScratchRoot&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path driveC() const { return path_ / "drive_c"; }

 private:
  std::filesystem::path path_;
};

// A test fixture that gives every test its own system root.
class ScratchRootTest : public ::testing::Test {
 protected:
  ScratchRoot root_;
};

}  // namespace testing_support
