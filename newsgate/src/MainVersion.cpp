#include "newsgate/MainVersion.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/paths.h"

namespace newsgate {

namespace {

constexpr std::size_t kPiece = 65536;

std::uint32_t Word(const char* at) {
  std::uint32_t word = 0;
  for (int i = 3; i >= 0; --i) word = (word << 8) | static_cast<unsigned char>(at[i]);
  return word;
}

// The record that starts at `at` (kVersionRecordSize bytes, the marker included), when its check
// word fits.
std::optional<TFixedFileInfo> RecordAt(const char* at) {
  const TFixedFileInfo info{Word(at + 16), Word(at + 20), Word(at + 24)};
  if (Word(at + 28) != version_detail::Check(info)) return std::nullopt;
  return info;
}

}  // namespace

std::optional<TFixedFileInfo> FindVersionRecord(std::istream& in) {
  // The buffer holds the last kVersionRecordSize - 1 bytes of the previous piece before the new
  // one, so a record that crosses the border of two pieces is seen whole.
  std::vector<char> buffer(kVersionRecordSize - 1 + kPiece);
  std::size_t kept = 0;
  while (in) {
    in.read(buffer.data() + kept, static_cast<std::streamsize>(kPiece));
    const std::size_t size = kept + static_cast<std::size_t>(in.gcount());
    if (size == kept) break;
    const char* data = buffer.data();
    for (std::size_t at = 0; size - at >= kVersionRecordSize;) {
      const void* found =
          memmem(data + at, size - at, kVersionMarker.data(), kVersionMarker.size());
      if (!found) break;
      at = static_cast<std::size_t>(static_cast<const char*>(found) - data);
      if (size - at < kVersionRecordSize) break;
      if (std::optional<TFixedFileInfo> info = RecordAt(data + at)) return info;
      ++at;
    }
    kept = std::min(size, kVersionRecordSize - 1);
    std::memmove(buffer.data(), data + size - kept, kept);
  }
  return std::nullopt;
}

std::string FormatVersion(const TFixedFileInfo& info) {
  const char* suffix = info.FileFlags == 1 ? "[beta]" : info.FileFlags == 2 ? "[alpha]" : "";
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u Build %u %s", info.FileVersionMS >> 16,
                info.FileVersionMS & 0xFFFF, info.FileVersionLS >> 16, info.FileVersionLS & 0xFFFF,
                suffix);
  return text;
}

std::string GetVersionString(std::string_view fileName) {
  if (fileName.empty()) return {};
  const std::optional<std::filesystem::path> host = win::HostPath(fileName);
  if (!host) return {};
  std::ifstream in(*host, std::ios::binary);
  if (!in) return {};
  const std::optional<TFixedFileInfo> info = FindVersionRecord(in);
  return info ? FormatVersion(*info) : std::string();
}

std::string ProgramFileName() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : win::WindowsPath(self);
}

}  // namespace newsgate
