#pragma once
// Small helpers for tests that look at host files directly, past the emulated system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The names in a folder, sorted.
inline std::vector<std::string> Listing(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The fields Debian's lnkinfo prints for a shortcut file ("Local path", "Working directory" ...),
// its ANSI strings read as Shift-JIS.
inline std::map<std::string, std::string> LinkFields(const std::filesystem::path& link) {
  const std::string command = "lnkinfo -c windows-932 '" + link.string() + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  EXPECT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  for (std::size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, n);
  EXPECT_EQ(pipe ? pclose(pipe) : -1, 0) << output;
  std::map<std::string, std::string> fields;
  std::size_t start = 0;
  for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = output.substr(start, end - start);
    const std::size_t colon = line.find(": ");
    if (line.empty() || line[0] != '\t' || colon == std::string::npos) continue;
    std::string key = line.substr(1, colon - 1);
    key.erase(key.find_last_not_of('\t') + 1);
    fields[key] = line.substr(colon + 2);
  }
  return fields;
}

}  // namespace testing_support
