// The program as built: a console session with a newsreader connection, the end of the input,
// the stop signals, a port that is taken, wrong options, and the version record of the file.
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "newsgate/MainVersion.h"
#include "nntp_fixture.h"
#include "platform/paths.h"
#include "scratch_root.h"

extern char** environ;

namespace newsgate {
namespace {

using namespace std::chrono_literals;

// A loopback port that was free a moment ago; holding = true keeps it taken.
class LoopbackPort {
 public:
  explicit LoopbackPort(bool holding) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd_, reinterpret_cast<sockaddr*>(&address), length);
    listen(fd_, 1);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    if (!holding) close(fd_);
    if (!holding) fd_ = -1;
  }
  ~LoopbackPort() {
    if (fd_ >= 0) close(fd_);
  }
  std::uint16_t Port() const { return port_; }
  std::string Listen() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  int fd_;
  std::uint16_t port_ = 0;
};

// The program running on the emulated system, its standard input a pipe, its output in files.
class Program {
 public:
  Program(const testing_support::ScratchRoot& root, std::vector<std::string> args)
      : out_(root.path().parent_path() / "out.txt"), err_(root.path().parent_path() / "err.txt") {
    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    input_ = in[1];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    args.insert(args.begin(), NEWSGATE_PROGRAM);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> env{"WINROOT=" + root.path().string()};
    for (char** e = environ; *e; ++e)
      if (std::string_view(*e).rfind("WINROOT=", 0) != 0) env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const int failed =
        posix_spawn(&pid_, NEWSGATE_PROGRAM, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    if (failed) throw std::runtime_error("cannot start the program");
  }
  ~Program() {
    CloseInput();
    if (pid_ > 0 && Wait() < 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  void Write(std::string_view text) {
    ASSERT_EQ(write(input_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void CloseInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
  }
  void Signal(int signal) { kill(pid_, signal); }
  // The exit status, or -1 when the program did not end within 20 s.
  int Wait() {
    for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(10ms)) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
    }
    return -1;
  }
  // Waits until the output holds text.
  bool Shows(std::string_view text) {
    for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(10ms))
      if (Out().find(text) != std::string::npos) return true;
    return false;
  }
  std::string Out() const { return Read(out_); }
  std::string Err() const { return Read(err_); }

 private:
  static std::string Read(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
  }

  std::filesystem::path out_, err_;
  int input_ = -1;
  pid_t pid_ = -1;
};

class ProgramTest : public testing_support::ScratchRootTest {};

TEST_F(ProgramTest, TheConsoleLogsTheRowsAndEndsOnTheMenuItem) {
  LoopbackPort port(false);
  Program program(root_, {"--console", "--listen", port.Listen()});
  ASSERT_TRUE(program.Shows("FormMain: shown \"Feldrun[接続モニタ]\"\n")) << program.Err();
  {
    nntp_fixture::NntpClient client(port.Port());
    EXPECT_EQ(client.Line(), "200 Feldrun ready");
    ASSERT_TRUE(program.Shows("FormMain.ClientList: added [0] \"\"\n"));
    ASSERT_TRUE(program.Shows("| \"127.0.0.1\" | \"\" | \"\" | \"\" | \"\"\n"));
  }
  ASSERT_TRUE(program.Shows("FormMain.ClientList: [0] removed\n"));
  program.Write("終了\n");
  EXPECT_EQ(program.Wait(), 0);
  const std::string out = program.Out();
  EXPECT_TRUE(std::regex_search(
      out, std::regex("FormMain.ClientList: \\[0\\] \"[0-9A-F]{8}\" \\| \"127.0.0.1\"")))
      << out;
  EXPECT_NE(out.find("> click MnExit\nFormMain: hidden\n"), std::string::npos) << out;
  EXPECT_EQ(program.Err(), "");
}

TEST_F(ProgramTest, AfterTheEndOfItsInputItServesUntilAStopSignal) {
  for (int signal : {SIGTERM, SIGINT}) {
    LoopbackPort port(false);
    Program program(root_, {"--console", "--listen=" + port.Listen()});
    program.CloseInput();
    ASSERT_TRUE(program.Shows("FormMain: shown")) << program.Err();
    std::this_thread::sleep_for(100ms);  // the input has ended by now
    nntp_fixture::NntpClient client(port.Port());
    EXPECT_EQ(client.Line(), "200 Feldrun ready") << signal;
    program.Signal(signal);
    EXPECT_EQ(program.Wait(), 0) << signal;
    EXPECT_EQ(client.UntilClosed(), "") << "the connection was closed";
    EXPECT_NE(program.Out().find("FormMain: hidden\n"), std::string::npos);
  }
}

TEST_F(ProgramTest, APortThatIsTakenEndsTheProgramWithStatus1) {
  LoopbackPort taken(true);
  Program program(root_, {"--console", "--listen", taken.Listen()});
  EXPECT_EQ(program.Wait(), 1);
  EXPECT_EQ(program.Err(), "newsgate: " + taken.Listen() +
                               " で待ち受けできません: アドレスは既に使用されています (10048)\n");
  EXPECT_EQ(program.Out().find("FormMain"), std::string::npos) << "no window";
}

TEST_F(ProgramTest, AWrongListenOptionEndsTheProgramWithStatus2) {
  for (const char* option :
       {"--listen", "--listen=localhost:119", "--listen=127.0.0.1:0", "--listen=127.0.0.1:70000"}) {
    Program program(root_, {"--console", option});
    EXPECT_EQ(program.Wait(), 2) << option;
    EXPECT_EQ(program.Err().rfind("newsgate: --listen ", 0), 0u) << program.Err();
  }
}

TEST_F(ProgramTest, TheProgramFileCarriesItsVersion) {
  const char* suffix = NEWSGATE_FILE_FLAGS == 1   ? "[beta]"
                       : NEWSGATE_FILE_FLAGS == 2 ? "[alpha]"
                                                  : "";
  const std::string expected = std::to_string(NEWSGATE_VERSION_MAJOR) + "." +
                               std::to_string(NEWSGATE_VERSION_MINOR) + "." +
                               std::to_string(NEWSGATE_VERSION_RELEASE) + " Build " +
                               std::to_string(NEWSGATE_BUILD) + " " + suffix;
  EXPECT_EQ(GetVersionString(win::WindowsPath(NEWSGATE_PROGRAM)), expected);
  EXPECT_EQ(GetVersionString(ProgramFileName()), "") << "this test program has no record";
}

}  // namespace
}  // namespace newsgate
