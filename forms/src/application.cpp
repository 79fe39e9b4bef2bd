#include "forms/application.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace forms {

namespace {

std::atomic<Application*> g_current{nullptr};

// The server whose main form SIGINT and SIGTERM close, and the handlers it replaced.
std::atomic<Application*> g_signalTarget{nullptr};
struct sigaction g_oldInt, g_oldTerm;

void OnStopSignal(int) {
  if (Application* app = g_signalTarget.load()) app->RequestStop();
}

void InstallStopSignals(Application* app) {
  g_signalTarget = app;
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &g_oldInt);
  sigaction(SIGTERM, &action, &g_oldTerm);
}

void RemoveStopSignals(Application* app) {
  if (g_signalTarget != app) return;
  sigaction(SIGINT, &g_oldInt, nullptr);
  sigaction(SIGTERM, &g_oldTerm, nullptr);
  g_signalTarget = nullptr;
}

}  // namespace

struct Application::Step {
  std::function<void()> run;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool ran = false;
  std::exception_ptr error;

  void Finish(bool hasRun) {
    {
      std::lock_guard lock(mutex);
      done = true;
      ran = hasRun;
    }
    finished.notify_all();
  }
};

Application::Application() : uiThread_(std::this_thread::get_id()), previous_(g_current) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot create a pipe");
  wakeRead_ = fds[0];
  wakeWrite_ = fds[1];
  g_current = this;
}

Application::~Application() {
  RemoveStopSignals(this);
  std::deque<std::shared_ptr<Step>> dropped;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    dropped.swap(steps_);
  }
  for (auto& step : dropped) step->Finish(false);
  close(wakeRead_);
  close(wakeWrite_);
  if (g_current == this) g_current = previous_;
}

Application& App() {
  Application* app = g_current;
  if (!app) throw std::logic_error("no Application");
  return *app;
}

Application* CurrentApp() { return g_current; }

void RunGuarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    Application* app = CurrentApp();
    if (!app) throw;
    app->ShowException(e.what());
  }
}

void Application::ShowException(const std::string& message) {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  MessageBox(text, title_, MB_OK | MB_ICONSTOP);
}

void Application::Run(TForm& mainForm) {
  mainForm_ = &mainForm;
  if (!terminated_) mainForm.Show();
  bool closeRequested = false;
  while (true) {
    RunPendingSteps();
    if (terminated_) break;
    Idle(nullptr, closeRequested);
  }
}

TModalResult Application::ShowModal(TForm& form) {
  if (form.Visible() || form.modal_) throw std::logic_error("Cannot make a visible window modal");
  // The forms on screen now take no input while the modal form is up.
  std::vector<TForm*> blocked = Screen().ZOrder();
  for (TForm* f : blocked) ++f->blocked_;
  auto finish = [&] {
    form.modal_ = false;
    const auto& live = Screen().Forms();
    for (TForm* f : blocked)
      if (std::find(live.begin(), live.end(), f) != live.end()) --f->blocked_;
  };
  form.modal_ = true;
  form.modalResult_ = mrNone;
  try {
    form.Show();
    bool closeRequested = false;
    while (true) {
      RunPendingSteps();
      if (terminated_) {
        form.modalResult_ = mrCancel;
        break;
      }
      if (form.modalResult_ != mrNone) {
        if (form.CloseModal()) break;
        continue;
      }
      Idle(&form, closeRequested);
    }
  } catch (...) {
    finish();
    form.Hide();
    throw;
  }
  finish();
  form.Hide();
  return form.modalResult_;
}

void Application::Idle(TForm* modal, bool& closeRequested) {
  if (!inputEnded_) {
    bool more = true;
    RunGuarded([&] { more = WaitForUser(modal); });
    if (more) return;
    inputEnded_ = true;
  }
  AfterInputEnded(modal, closeRequested);
}

// With no more input the waiting form is asked to close, as the system asks at shutdown; a form
// that refuses a second time is not asked again: the application ends. A server's message loop
// waits for steps and for the stop signal instead.
void Application::AfterInputEnded(TForm* modal, bool& closeRequested) {
  if (server_ && !modal) {
    WaitForWake(-1);
    return;
  }
  TForm* target = modal ? modal : mainForm_;
  if (!target || closeRequested) {
    Terminate();
    return;
  }
  closeRequested = true;
  RunGuarded([&] { target->Close(); });
}

void Application::ProcessMessages() {
  RunPendingSteps();
  RunGuarded([this] { PumpInput(); });
}

bool Application::Synchronize(std::function<void()> step) {
  if (OnUiThread()) {
    step();
    return true;
  }
  auto queued = std::make_shared<Step>();
  queued->run = std::move(step);
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    steps_.push_back(queued);
    // Written under the lock, so the pipe is never written after the destructor closed it.
    [[maybe_unused]] ssize_t n = write(wakeWrite_, "s", 1);
  }
  std::exception_ptr error;  // taken over here, so the exception also ends on this thread
  {
    std::unique_lock lock(queued->mutex);
    queued->finished.wait(lock, [&] { return queued->done; });
    error = std::move(queued->error);
  }
  if (error) std::rethrow_exception(error);
  return queued->ran;
}

bool Application::CheckSynchronize(int timeoutMs) {
  WaitForWake(timeoutMs);
  return RunPendingSteps();
}

bool Application::RunPendingSteps() {
  DrainWakePipe();
  bool ran = false;
  while (true) {
    std::shared_ptr<Step> step;
    {
      std::lock_guard lock(mutex_);
      if (steps_.empty()) break;
      step = steps_.front();
      steps_.pop_front();
    }
    try {
      step->run();
    } catch (...) {
      step->error = std::current_exception();
    }
    step->Finish(true);
    ran = true;
  }
  if (stopRequested_.exchange(false)) {
    if (mainForm_)
      RunGuarded([this] { mainForm_->Close(); });
    else
      Terminate();
  }
  return ran;
}

void Application::SetServer(bool server) {
  if (server == server_) return;
  server_ = server;
  if (server)
    InstallStopSignals(this);
  else
    RemoveStopSignals(this);
}

void Application::RequestStop() {
  stopRequested_ = true;
  [[maybe_unused]] ssize_t n = write(wakeWrite_, "x", 1);
}

void Application::WaitForWake(int timeoutMs) {
  pollfd fd{wakeRead_, POLLIN, 0};
  poll(&fd, 1, timeoutMs);  // EINTR: a stop signal, which also wrote to the pipe
}

void Application::DrainWakePipe() {
  char buffer[64];
  while (read(wakeRead_, buffer, sizeof buffer) > 0) {
  }
}

}  // namespace forms
