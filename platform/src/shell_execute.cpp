// Opening a document or starting a program through the shell.
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <utility>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/shell.h"

namespace win {

namespace {

namespace stdfs = std::filesystem;

constexpr int kStarted = 42;  // any value above 32

// The arguments of a command line, split as the start-up code of Windows programs does: blanks
// separate outside double quotes; 2n backslashes before a quote give n and the quote opens or
// closes, 2n+1 give n and a literal quote; "" inside quotes is a literal quote.
std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::string arg;
  bool inArg = false, quoted = false;
  for (std::size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (IsDBCSLeadByte(static_cast<unsigned char>(c)) && i + 1 < line.size()) {
      arg.append(line.substr(i, 2));
      inArg = true;
      i += 2;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArg) args.push_back(std::exchange(arg, {}));
      inArg = false;
      ++i;
    } else if (c == '\\') {
      std::size_t end = line.find_first_not_of('\\', i);
      if (end == std::string_view::npos) end = line.size();
      const std::size_t n = end - i;
      const bool beforeQuote = end < line.size() && line[end] == '"';
      arg.append(beforeQuote ? n / 2 : n, '\\');
      if (beforeQuote && n % 2) {
        arg += '"';
        ++end;
      }
      inArg = true;
      i = end;
    } else if (c == '"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        arg += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
      inArg = true;
      ++i;
    } else {
      arg += c;
      inArg = true;
      ++i;
    }
  }
  if (inArg) args.push_back(arg);
  return args;
}

std::optional<stdfs::path> FindOnPath(const char* name) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "";
  while (!dirs.empty()) {
    const std::size_t end = dirs.find(':');
    stdfs::path candidate = stdfs::path(dirs.substr(0, end)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    dirs = end == std::string_view::npos ? "" : dirs.substr(end + 1);
  }
  return std::nullopt;
}

int ResultOfErrno(int e) {
  switch (e) {
    case ENOENT:
      return SE_ERR_FNF;
    case ENOTDIR:
      return SE_ERR_PNF;
    case ENOEXEC:
    case EINVAL:
      return static_cast<int>(ERROR_BAD_FORMAT);
    case ENOMEM:
    case EAGAIN:
      return SE_ERR_OOM;
    default:
      return SE_ERR_ACCESSDENIED;
  }
}

// Starts a program in a session of its own, not as our child (so it is never left a zombie), with
// its standard streams on /dev/null and no other file of ours open. 0, or the errno of the failed
// start.
int StartDetached(const std::vector<std::string>& args, const std::optional<stdfs::path>& folder) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return errno;
  const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  const pid_t child = ::fork();
  if (child == 0) {
    // only async-signal-safe calls from here on
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
    int err = 0;
    if (folder && ::chdir(folder->c_str()) != 0) err = errno;
    for (int fd = 0; fd < 3 && devNull >= 0 && !err; ++fd) ::dup2(devNull, fd);
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);  // it inherits none of our files and locks
    if (!err) ::execv(argv[0], argv.data());
    if (!err) err = errno;
    [[maybe_unused]] ssize_t n = ::write(report[1], &err, sizeof err);
    ::_exit(127);
  }
  const int forkErr = child < 0 ? errno : 0;
  ::close(report[1]);
  if (devNull >= 0) ::close(devNull);
  int status = 0;
  if (child > 0)
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  int err = forkErr;
  if (!err && child > 0 && (!WIFEXITED(status) || WEXITSTATUS(status) != 0)) err = EAGAIN;
  ssize_t got;
  int execErr = 0;
  while ((got = ::read(report[0], &execErr, sizeof execErr)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  if (!err && got == sizeof execErr) err = execErr;
  return err;
}

}  // namespace

int ShellExecuteA(std::string_view operation, std::string_view file, std::string_view parameters,
                  std::string_view directory, int /*showCmd: no windows here*/) {
  std::optional<stdfs::path> host = HostPath(file);
  if (!host) return SE_ERR_PNF;
  struct stat st;
  if (::stat(host->c_str(), &st) != 0) return ResultOfErrno(errno);
  std::optional<stdfs::path> folder;
  if (!directory.empty()) {
    folder = HostPath(directory);
    std::error_code ec;
    if (!folder || !stdfs::is_directory(*folder, ec)) return SE_ERR_PNF;
  }
  if (!operation.empty() && CompareNoCase(operation, "open") != 0) return SE_ERR_NOASSOC;

  std::vector<std::string> args;
  if (S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH))) {
    args.push_back(host->string());
    for (const std::string& a : SplitCommandLine(parameters)) args.push_back(AnsiToUtf8(a));
  } else {
    std::optional<stdfs::path> opener = FindOnPath("xdg-open");
    if (!opener) return SE_ERR_NOASSOC;
    args = {opener->string(), host->string()};
  }
  const int err = StartDetached(args, folder);
  return err ? ResultOfErrno(err) : kStarted;
}

}  // namespace win
