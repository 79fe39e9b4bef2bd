// Shortcut files and program information files.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "fs_host.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/testing/write_errors.h"

namespace win {

namespace {

namespace stdfs = std::filesystem;

constexpr std::size_t kMaxText = 0xFFFF;  // a string's count field holds 16 bits

HRESULT Assign(std::string& field, std::string_view text) {
  text = text.substr(0, text.find('\0'));
  if (text.size() > kMaxText) return E_INVALIDARG;
  field = text;
  return S_OK;
}

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8 & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put32At(std::string& out, std::size_t at, std::uint32_t v) {
  std::string bytes;
  Put32(bytes, v);
  out.replace(at, 4, bytes);
}
void PutFileTime(std::string& out, const FILETIME& t) {
  Put32(out, t.dwLowDateTime);
  Put32(out, t.dwHighDateTime);
}

// Start of the last component and of its extension (npos when it has none), double-byte aware.
struct NameParts {
  std::size_t name = 0;
  std::size_t dot = std::string_view::npos;
};
NameParts Parts(std::string_view path) {
  NameParts p;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (IsDBCSLeadByte(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '\\' || c == '/' || c == ':') {
      p = NameParts{i + 1};
    } else if (c == '.') {
      p.dot = i;
    }
  }
  return p;
}

// The text cut to at most `size` bytes, never after the first byte of a character.
std::string CutText(const std::string& text, std::size_t size) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t next = end + (IsDBCSLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1);
    if (next > size) break;
    end = next;
  }
  return text.substr(0, end);
}

// Whether a file is an "MZ" executable for MS-DOS: one whose header points to no "PE" or "NE"
// header of a Windows program.
bool IsDosExecutable(const stdfs::path& host) {
  int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  unsigned char head[0x40] = {};
  const ssize_t got = ::pread(fd, head, sizeof head, 0);
  bool dos = false;
  if (got >= 2 && head[0] == 'M' && head[1] == 'Z') {
    dos = true;
    if (got == sizeof head) {
      const std::uint32_t offset = head[0x3C] | head[0x3D] << 8 | head[0x3E] << 16 |
                                   static_cast<std::uint32_t>(head[0x3F]) << 24;
      unsigned char sig[4] = {};
      if (::pread(fd, sig, sizeof sig, offset) >= 2)
        dos = !(std::memcmp(sig, "PE\0\0", 4) == 0 || (sig[0] == 'N' && sig[1] == 'E'));
    }
  }
  ::close(fd);
  return dos;
}

bool IsDosProgram(std::string_view target) {
  const NameParts p = Parts(target);
  if (p.dot == std::string_view::npos) return false;
  const std::string_view ext = target.substr(p.dot + 1);
  if (CompareNoCase(ext, "COM") == 0 || CompareNoCase(ext, "BAT") == 0 ||
      CompareNoCase(ext, "PIF") == 0)
    return true;
  std::optional<stdfs::path> host;
  return CompareNoCase(ext, "EXE") == 0 && (host = HostPath(target)) && IsDosExecutable(*host);
}

void PutString(std::string& out, const std::string& s) {
  Put16(out, static_cast<std::uint32_t>(s.size()));
  out += s;
}

constexpr std::uint32_t kHasLinkInfo = 0x02, kHasName = 0x04, kHasWorkingDir = 0x10,
                        kHasArguments = 0x20, kHasIconLocation = 0x40;

// Link information: a volume (a fixed disk without a label) and the target as a local path.
std::string LinkInfo(const std::string& target) {
  constexpr std::uint32_t kHeaderSize = 0x1C, kVolumeSize = 0x11;
  std::string info;
  Put32(info, 0);  // the size, set below
  Put32(info, kHeaderSize);
  Put32(info, 1);  // VolumeIDAndLocalBasePath
  Put32(info, kHeaderSize);
  Put32(info, kHeaderSize + kVolumeSize);
  Put32(info, 0);  // no network location
  Put32(info, kHeaderSize + kVolumeSize + static_cast<std::uint32_t>(target.size()) + 1);
  Put32(info, kVolumeSize);
  Put32(info, 3);  // DRIVE_FIXED
  Put32(info, 0);  // serial number
  Put32(info, 0x10);
  info += '\0';  // the empty label
  info += target;
  info += '\0';
  info += '\0';  // the empty path suffix
  Put32At(info, 0, static_cast<std::uint32_t>(info.size()));
  return info;
}

int SavedShowCmd(int showCmd) {
  return showCmd == SW_SHOWMAXIMIZED || showCmd == SW_SHOWMINNOACTIVE ? showCmd : SW_SHOWNORMAL;
}

// A program information file made of the basic section (0x171 bytes, with the program, its folder
// and parameters) under the heading that names it; nullopt when a text does not fit its field.
std::optional<std::string> ProgramInformation(const std::string& title, const std::string& program,
                                              const std::string& folder,
                                              const std::string& parameters) {
  // the fields hold NUL-terminated DOS texts
  if (program.size() > 62 || folder.size() > 63 || parameters.size() > 63) return std::nullopt;
  std::string pif(0x171, '\0');
  std::string shownTitle = CutText(title, 30);
  shownTitle.resize(30, ' ');
  pif.replace(0x02, 30, shownTitle);
  pif[0x20] = '\x80';  // 640 KB at most
  pif[0x21] = '\x02';
  pif[0x22] = '\x80';  // 128 KB at least
  pif.replace(0x24, program.size(), program);
  pif[0x63] = 0x10;  // close the window on exit
  pif.replace(0x65, folder.size(), folder);
  pif.replace(0xA5, parameters.size(), parameters);
  pif[0xE6] = 1;       // video pages
  pif[0xE8] = '\xFF';  // interrupt vectors 0 to 255
  pif[0xE9] = 25;      // rows
  pif[0xEA] = 80;      // columns
  unsigned sum = 0;
  for (std::size_t i = 2; i < pif.size(); ++i) sum += static_cast<unsigned char>(pif[i]);
  pif[0x01] = static_cast<char>(sum & 0xFF);
  pif += std::string("MICROSOFT PIFEX") + '\0';
  Put16(pif, 0xFFFF);  // the last section
  Put16(pif, 0);       // its data: the basic section
  Put16(pif, 0x171);
  return pif;
}

// Writes bytes as the whole new content of a file: temporary file beside it, then rename.
HRESULT WriteAtomically(std::string_view windowsPath, const std::string& bytes) {
  stdfs::path host;
  if (DWORD err = fs_detail::Resolve(windowsPath, host)) return HRESULT_FROM_WIN32(err);
  if (DWORD err = testing::InjectedWriteError(host)) return HRESULT_FROM_WIN32(err);
  std::error_code ec;
  if (stdfs::is_directory(host, ec)) return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  static std::atomic<unsigned> counter{0};
  const stdfs::path temp = host.parent_path() / (".~link-" + std::to_string(::getpid()) + "-" +
                                                 std::to_string(counter++));
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return HRESULT_FROM_WIN32(fs_detail::ErrorFromErrno(errno, host));
  int err = 0;
  for (std::size_t done = 0; done < bytes.size() && !err;) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0)
      done += static_cast<std::size_t>(n);
    else if (errno != EINTR)
      err = errno ? errno : EIO;
  }
  if (!err && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && !err) err = errno;
  if (!err && ::rename(temp.c_str(), host.c_str()) != 0) err = errno;
  if (err) ::unlink(temp.c_str());
  return HRESULT_FROM_WIN32(fs_detail::ErrorFromErrno(err, host));
}

}  // namespace

HRESULT ShellLink::SetPath(std::string_view file) { return Assign(path_, file); }
HRESULT ShellLink::SetArguments(std::string_view arguments) {
  return Assign(arguments_, arguments);
}
HRESULT ShellLink::SetWorkingDirectory(std::string_view folder) {
  return Assign(workingDirectory_, folder);
}
HRESULT ShellLink::SetDescription(std::string_view description) {
  return Assign(description_, description);
}
HRESULT ShellLink::SetIconLocation(std::string_view iconPath, int index) {
  HRESULT hr = Assign(iconPath_, iconPath);
  if (hr == S_OK) iconIndex_ = index;
  return hr;
}
HRESULT ShellLink::SetShowCmd(int showCmd) {
  showCmd_ = showCmd;
  return S_OK;
}

std::string ProgramInformationPath(std::string_view linkPath) {
  const NameParts p = Parts(linkPath);
  return std::string(
             linkPath.substr(0, p.dot == std::string_view::npos ? linkPath.size() : p.dot)) +
         ".pif";
}

HRESULT ShellLink::Save(std::string_view fileName) const {
  if (IsDosProgram(path_)) {
    const NameParts p = Parts(fileName);
    const std::string title(fileName.substr(
        p.name, p.dot == std::string_view::npos ? std::string_view::npos : p.dot - p.name));
    std::optional<std::string> pif =
        ProgramInformation(title, path_, workingDirectory_, arguments_);
    if (!pif) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    return WriteAtomically(ProgramInformationPath(fileName), *pif);
  }

  std::uint32_t flags = 0;
  if (!path_.empty()) flags |= kHasLinkInfo;
  if (!description_.empty()) flags |= kHasName;
  if (!workingDirectory_.empty()) flags |= kHasWorkingDir;
  if (!arguments_.empty()) flags |= kHasArguments;
  if (!iconPath_.empty()) flags |= kHasIconLocation;

  WIN32_FILE_ATTRIBUTE_DATA target;
  if (path_.empty() || !GetFileAttributesExA(path_, target)) target = {};

  std::string out;
  Put32(out, 0x4C);
  out.append("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  Put32(out, flags);
  Put32(out, target.dwFileAttributes);
  for (int i = 0; i < 3; ++i) PutFileTime(out, target.ftLastWriteTime);  // created, used, written
  Put32(out, target.nFileSizeLow);
  Put32(out, static_cast<std::uint32_t>(iconIndex_));
  Put32(out, static_cast<std::uint32_t>(SavedShowCmd(showCmd_)));
  out.append(12, '\0');  // no hot key, reserved fields
  if (flags & kHasLinkInfo) out += LinkInfo(path_);
  if (flags & kHasName) PutString(out, description_);
  if (flags & kHasWorkingDir) PutString(out, workingDirectory_);
  if (flags & kHasArguments) PutString(out, arguments_);
  if (flags & kHasIconLocation) PutString(out, iconPath_);
  Put32(out, 0);  // no extra data
  return WriteAtomically(fileName, out);
}

}  // namespace win
