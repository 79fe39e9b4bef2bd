// winroot uninstall: the system's list of installed programs, and the uninstall command of one of
// them run as the system would run it.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <ostream>

#include "commands_impl.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/root.h"

extern char** environ;

namespace winroot {

namespace {

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The program name of a command line: up to the closing quotation mark when it starts with one,
// otherwise up to the first blank; backslashes are plain characters here.
std::string ProgramName(std::string_view line, std::size_t& i) {
  std::string name;
  const bool quoted = i < line.size() && line[i] == '"';
  if (quoted) ++i;
  while (i < line.size() && (quoted ? line[i] != '"' : !IsBlank(line[i]))) name += line[i++];
  if (quoted && i < line.size()) ++i;
  return name;
}

// One further argument: blanks separate outside quotation marks; 2n backslashes before a
// quotation mark give n and the mark opens or closes quoting, 2n + 1 give n and a literal mark;
// "" inside quotes is a literal mark; other backslashes are plain. A trail byte that looks like a
// backslash belongs to its double-byte character.
std::string Argument(std::string_view line, std::size_t& i) {
  std::string argument;
  bool quoted = false;
  while (i < line.size() && (quoted || !IsBlank(line[i]))) {
    const char c = line[i];
    if (win::IsDBCSLeadByte(static_cast<unsigned char>(c)) && i + 1 < line.size()) {
      argument.append(line.substr(i, 2));
      i += 2;
    } else if (c == '\\') {
      std::size_t slashes = 0;
      while (i < line.size() && line[i] == '\\') ++slashes, ++i;
      if (i < line.size() && line[i] == '"') {
        argument.append(slashes / 2, '\\');
        if (slashes % 2 == 1) argument += line[i++];
      } else {
        argument.append(slashes, '\\');
      }
    } else if (c == '"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        argument += '"';
        i += 2;
      } else {
        quoted = !quoted;
        ++i;
      }
    } else {
      argument += c;
      ++i;
    }
  }
  return argument;
}

void SkipBlanks(std::string_view line, std::size_t& i) {
  while (i < line.size() && IsBlank(line[i])) ++i;
}

// The words of a command line by the rules of the Windows C runtime.
std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  SkipBlanks(line, i);
  if (i == line.size()) return words;
  words.push_back(ProgramName(line, i));
  for (SkipBlanks(line, i); i < line.size(); SkipBlanks(line, i))
    words.push_back(Argument(line, i));
  return words;
}

int ListEntries(std::ostream& out) {
  win::RegKey list;
  if (win::RegKey::Open(win::HKEY::LocalMachine, kUninstallKey, list) != win::ERROR_SUCCESS)
    return 0;
  std::vector<std::string> names;
  list.SubkeyNames(names);
  for (const std::string& name : names) {
    win::RegKey entry;
    std::string display;
    if (win::RegKey::Open(win::HKEY::LocalMachine, std::string(kUninstallKey) + "\\" + name,
                          entry) == win::ERROR_SUCCESS)
      entry.QueryString("DisplayName", display);
    out << win::AnsiToUtf8(name) << '\t' << win::AnsiToUtf8(display) << '\n';
  }
  return 0;
}

// The environment of this process with WINROOT naming the system root in use.
std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> variables;
  for (char** v = environ; *v; ++v)
    if (std::strncmp(*v, "WINROOT=", 8) != 0) variables.emplace_back(*v);
  variables.push_back("WINROOT=" + win::SystemRoot().string());
  return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Runs the program with the standard streams of this process; its exit status (128 + the signal
// when a signal ended it), or nullopt with errno when it could not be started.
std::optional<int> RunProgram(const std::string& program, std::vector<std::string> args) {
  std::vector<std::string> environment = ChildEnvironment();
  std::vector<char*> argv = Pointers(args), envp = Pointers(environment);
  pid_t pid;
  if (int error = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data())) {
    errno = error;
    return std::nullopt;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunEntry(const std::string& nameUtf8, const Args& options, std::ostream& out,
             std::ostream& err) {
  win::RegKey entry;
  if (win::RegKey::Open(win::HKEY::LocalMachine,
                        std::string(kUninstallKey) + "\\" + win::Utf8ToAnsi(nameUtf8),
                        entry) != win::ERROR_SUCCESS) {
    err << "winroot: no uninstall entry \"" << nameUtf8 << "\"\n";
    return 1;
  }
  std::string command;
  entry.QueryString("UninstallString", command);
  std::vector<std::string> words = SplitCommandLine(command);
  if (words.empty()) {
    err << "winroot: the uninstall entry \"" << nameUtf8 << "\" has no UninstallString\n";
    return 1;
  }
  std::optional<std::filesystem::path> host = win::HostPath(words.front());
  std::error_code error;
  if (!host || !std::filesystem::is_regular_file(*host, error)) {
    err << "winroot: the program " << win::AnsiToUtf8(words.front()) << " of \"" << nameUtf8
        << "\" does not exist\n";
    return 1;
  }
  std::vector<std::string> args = {host->string()};
  args.insert(args.end(), options.begin(), options.end());
  args.insert(args.end(), words.begin() + 1, words.end());
  out.flush();
  std::optional<int> status = RunProgram(host->string(), args);
  if (!status) {
    err << "winroot: cannot run " << host->string() << ": " << std::strerror(errno) << '\n';
    return 1;
  }
  return *status;
}

}  // namespace

int RunUninstall(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return ListEntries(out);
  return RunEntry(args[0], Args(args.begin() + 1, args.end()), out, err);
}

}  // namespace winroot
