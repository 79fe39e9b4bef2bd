// Stub until the path unit lands: drive letters through dosdevices, no case folding.
#include "platform/paths.h"

#include "platform/root.h"

namespace win {
std::optional<std::filesystem::path> HostPath(std::string_view p) {
  if (p.size() < 2 || p[1] != ':') return std::nullopt;
  std::string drive(1, static_cast<char>(std::tolower(static_cast<unsigned char>(p[0]))));
  std::filesystem::path host = SystemRoot() / "dosdevices" / (drive + ":");
  std::string rest(p.substr(2));
  for (char& c : rest)
    if (c == '\\') c = '/';
  while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
  return rest.empty() ? host : host / rest;
}
std::string WindowsPath(const std::filesystem::path& h) { return "Z:" + h.string(); }
}  // namespace win
