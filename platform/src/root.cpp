#include "platform/root.h"

#include <cstdlib>

namespace win {

namespace {

std::filesystem::path DefaultRoot() {
  if (const char* env = std::getenv("WINROOT"); env && *env) return env;
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : "/tmp") / ".local/share/winroot";
}

std::filesystem::path& CurrentRoot() {
  static std::filesystem::path root = DefaultRoot();
  return root;
}

}  // namespace

const std::filesystem::path& SystemRoot() { return CurrentRoot(); }

void UseSystemRoot(const std::filesystem::path& root) { CurrentRoot() = root; }

const std::string& LoginName() {
  static const std::string name = [] {
    const char* user = std::getenv("USER");
    return std::string(user && *user ? user : "user");
  }();
  return name;
}

}  // namespace win
