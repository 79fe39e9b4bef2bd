#pragma once
// The version of a program file: a version record that the build places in the program (in its
// section ".ngversion"), read back by GetVersionString wherever it lies in the file.
//
// The record is 32 bytes: a 16-byte marker, then four little-endian 32-bit words: the file
// version's most significant half (major << 16 | minor), its least significant half
// (release << 16 | build), the file flags (1 beta, 2 alpha), and a check word that tells a real
// record from a stray copy of the marker.
#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace newsgate {

inline constexpr std::string_view kVersionMarker =
    "\x7F"
    "NewsgateVersion";
inline constexpr std::size_t kVersionRecordSize = 32;
using TVersionRecord = std::array<char, kVersionRecordSize>;

struct TFixedFileInfo {
  std::uint32_t FileVersionMS = 0;
  std::uint32_t FileVersionLS = 0;
  std::uint32_t FileFlags = 0;
  bool operator==(const TFixedFileInfo&) const = default;
};

namespace version_detail {

constexpr std::uint32_t kCheckSeed = 0x5256474E;

constexpr std::uint32_t Check(const TFixedFileInfo& info) {
  return info.FileVersionMS ^ info.FileVersionLS ^ info.FileFlags ^ kCheckSeed;
}

constexpr void PutWord(TVersionRecord& record, std::size_t at, std::uint32_t word) {
  for (int i = 0; i < 4; ++i) record[at + i] = static_cast<char>((word >> (8 * i)) & 0xFF);
}

}  // namespace version_detail

// The record of a version; each part is taken modulo 65536.
constexpr TVersionRecord MakeVersionRecord(unsigned major, unsigned minor, unsigned release,
                                           unsigned build, unsigned flags) {
  const TFixedFileInfo info{((major & 0xFFFF) << 16) | (minor & 0xFFFF),
                            ((release & 0xFFFF) << 16) | (build & 0xFFFF), flags};
  TVersionRecord record{};
  for (std::size_t i = 0; i < kVersionMarker.size(); ++i) record[i] = kVersionMarker[i];
  version_detail::PutWord(record, 16, info.FileVersionMS);
  version_detail::PutWord(record, 20, info.FileVersionLS);
  version_detail::PutWord(record, 24, info.FileFlags);
  version_detail::PutWord(record, 28, version_detail::Check(info));
  return record;
}

// The first valid record in a stream of bytes, read in pieces; nullopt when there is none.
std::optional<TFixedFileInfo> FindVersionRecord(std::istream& in);

// "%d.%d.%d Build %d %s": major, minor, release, build and "[beta]" for the flags 1, "[alpha]"
// for 2, nothing for any other value (so the text then ends in a blank).
std::string FormatVersion(const TFixedFileInfo& info);

// The version text of the file named by a Windows path; empty for an empty name, a file that
// cannot be read and a file without a version record.
std::string GetVersionString(std::string_view fileName);

// The running program file as a Windows path.
std::string ProgramFileName();

}  // namespace newsgate
