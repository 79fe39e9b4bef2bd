#include "newsgate/MainProgram.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "forms/console_application.h"
#include "forms/frontend.h"
#include "newsgate/Texts.h"
#include "platform/codepage.h"
#include "platform/net.h"

namespace newsgate {

namespace {

// Standard input for the console, passed on line by line through a socket pair by a thread of its
// own; a line that is only a menu item's caption becomes a click on that item.
class TMenuInput {
 public:
  explicit TMenuInput(int in) : in_(in) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
      throw std::runtime_error("cannot create a socket pair");
    read_ = ends[0];
    write_ = ends[1];
    for (auto [caption, name] : {std::pair{texts::kMenuExit, "MnExit"},
                                 {texts::kMenuEditFilters, "N2"},
                                 {texts::kMenuAbout, "About1"}})
      items_.emplace_back(win::AnsiToUtf8(caption), std::string("click ") + name);
    thread_ = std::thread([this] { Run(); });
  }
  ~TMenuInput() {
    stop_.Signal();
    shutdown(read_, SHUT_RDWR);  // a send that waits for room ends
    thread_.join();
    close(read_);
    close(write_);
  }
  TMenuInput(const TMenuInput&) = delete;
  TMenuInput& operator=(const TMenuInput&) = delete;

  int Fd() const { return read_; }

 private:
  void Run() {
    std::string pending;
    char buffer[4096];
    bool open = true;
    while (open) {
      pollfd fds[2] = {{in_, POLLIN, 0}, {stop_.Handle(), POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (fds[1].revents) return;
      const ssize_t n = read(in_, buffer, sizeof buffer);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) break;
      pending.append(buffer, static_cast<std::size_t>(n));
      std::size_t start = 0, end;
      while (open && (end = pending.find('\n', start)) != std::string::npos) {
        open = Forward(std::string_view(pending).substr(start, end - start));
        start = end + 1;
      }
      pending.erase(0, start);
    }
    if (open && !pending.empty()) Forward(pending);
    shutdown(write_, SHUT_WR);  // the console sees the end of its input
  }

  bool Forward(std::string_view line) {
    std::string_view text = line;
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    std::string out(line);
    for (const auto& [caption, command] : items_)
      if (text == caption) out = command;
    out += '\n';
    for (std::string_view rest = out; !rest.empty();) {
      const ssize_t n = send(write_, rest.data(), rest.size(), MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      rest.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  int in_;
  int read_ = -1, write_ = -1;
  win::net::Waker stop_;
  std::vector<std::pair<std::string, std::string>> items_;  // UTF-8 caption, console command
  std::thread thread_;
};

void ReportStartError(forms::Application& app, std::ostream* errors, const std::string& message) {
  if (errors)
    *errors << "newsgate: " << win::AnsiToUtf8(message) << '\n' << std::flush;
  else
    app.ShowException(message);
}

// Takes "--listen VALUE" and "--listen=VALUE" off the arguments; false (with the reason) for a
// missing or wrong value.
bool TakeListenOption(std::vector<std::string>& args, TListenAddress& listen, std::string& error) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::optional<std::string> value;
    if (args[i] == "--") {
      rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
      break;
    } else if (args[i] == "--listen") {
      if (i + 1 == args.size()) {
        error = "--listen needs ADDRESS:PORT";
        return false;
      }
      value = args[++i];
    } else if (args[i].rfind("--listen=", 0) == 0) {
      value = args[i].substr(9);
    } else {
      rest.push_back(args[i]);
      continue;
    }
    if (!ParseListenAddress(*value, listen)) {
      error =
          "--listen takes ADDRESS:PORT with a numeric address ([...] around IPv6) and a port "
          "from 1 to 65535, not " +
          *value;
      return false;
    }
  }
  args = std::move(rest);
  return true;
}

}  // namespace

int RunNewsgate(forms::Application& app, const TListenAddress& listen, std::ostream* errors) {
  app.SetTitle("Feldrun");
  app.SetServer(true);
  forms::FormPtr<TFormMain> main;
  try {
    main = forms::CreateForm<TFormMain>(listen);
  } catch (const std::exception& e) {
    ReportStartError(app, errors, e.what());
    return 1;
  } catch (...) {
    ReportStartError(app, errors, "");
    return 1;
  }
  app.Run(*main);
  return 0;
}

int NewsgateMain(int argc, const char* const* argv) {
  std::vector<std::string> args(argv, argv + argc);
  TListenAddress listen;
  std::string error;
  if (!TakeListenOption(args, listen, error)) {
    std::cerr << "newsgate: " << error << '\n';
    return 2;
  }
  std::vector<const char*> rest;
  for (const std::string& arg : args) rest.push_back(arg.c_str());
  const forms::CommandLine line =
      forms::ParseCommandLine(static_cast<int>(rest.size()), rest.data());
  for (const std::string& option : line.unknown)
    std::cerr << "newsgate: unknown option " << option << " ignored\n";
  for (const std::string& arg : line.args)
    std::cerr << "newsgate: argument " << arg << " ignored\n";
  // Only the console exists as a frontend, with or without --console.
  TMenuInput input(STDIN_FILENO);
  forms::ConsoleApplication app(input.Fd(), std::cout, forms::ConsoleOptions{line.options.noSleep});
  return RunNewsgate(app, listen, &std::cerr);
}

}  // namespace newsgate
