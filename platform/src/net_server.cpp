#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "net_internal.h"
#include "platform/net.h"

namespace win::net {

namespace {

// A numeric IPv4 or IPv6 address with the port, or false.
bool ListenAddress(const std::string& text, std::uint16_t port, Address& address) {
  auto& in = reinterpret_cast<sockaddr_in&>(address.storage);
  if (inet_pton(AF_INET, text.c_str(), &in.sin_addr) == 1) {
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    address.length = sizeof in;
    return true;
  }
  auto& in6 = reinterpret_cast<sockaddr_in6&>(address.storage);
  if (inet_pton(AF_INET6, text.c_str(), &in6.sin6_addr) == 1) {
    in6.sin6_family = AF_INET6;
    in6.sin6_port = htons(port);
    address.length = sizeof in6;
    return true;
  }
  return false;
}

std::uint16_t BoundPort(int fd) {
  Address address;
  address.length = sizeof address.storage;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address.storage), &address.length) != 0)
    return 0;
  if (address.storage.ss_family == AF_INET6)
    return ntohs(reinterpret_cast<const sockaddr_in6&>(address.storage).sin6_port);
  return ntohs(reinterpret_cast<const sockaddr_in&>(address.storage).sin_port);
}

}  // namespace

TServerClientThread::TServerClientThread(bool createSuspended, TServerClientWinSocket* socket)
    : server_(socket->ServerSocket()), socket_(socket) {
  if (!createSuspended) Resume();
}

TServerClientThread::~TServerClientThread() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TServerClientThread::Resume() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Execute(); });
}

void TServerClientThread::Terminate() {
  terminated_.store(true, std::memory_order_release);
  wake_.Signal();
}

void TServerClientThread::Execute() {
  bool failed = false;
  do {
    failed = false;
    try {
      ServeConnection();
    } catch (const std::exception& e) {
      failed = true;
      server_->ReportError(e.what());
    } catch (...) {
      failed = true;
      server_->ReportError("");
    }
  } while (server_->Park(this, failed));
}

TServerSocket::~TServerSocket() { Close(); }

DWORD TServerSocket::Open() {
  if (listen_ >= 0) return WSAEINVAL;
  net::Address address;
  if (!ListenAddress(Address, Port, address)) return WSAEINVAL;
  int fd = socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return WsaError(errno);
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length) != 0 ||
      listen(fd, SOMAXCONN) != 0) {
    DWORD error = WsaError(errno);
    close(fd);
    return error;
  }
  listen_ = fd;
  localPort_ = BoundPort(fd);
  closing_ = false;
  wake_.Clear();
  acceptor_ = std::thread([this] { AcceptLoop(); });
  return 0;
}

void TServerSocket::AcceptLoop() {
  while (true) {
    pollfd fds[2] = {{listen_, POLLIN, 0}, {wake_.Handle(), POLLIN, 0}};
    poll(fds, 2, -1);
    if (fds[1].revents) {
      wake_.Clear();
      Reap();
      std::lock_guard lock(mutex_);
      if (closing_) return;
    }
    if (!(fds[0].revents & POLLIN)) continue;
    int fd = accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      // Out of descriptors: give the running connections a moment to end instead of spinning.
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
        poll(nullptr, 0, 50);
      continue;
    }
    Dispatch(std::make_unique<TServerClientWinSocket>(fd, this));
  }
}

void TServerSocket::Dispatch(std::unique_ptr<TServerClientWinSocket> socket) {
  std::lock_guard lock(mutex_);
  if (!idle_.empty()) {
    TServerClientThread* thread = idle_.back();
    idle_.pop_back();
    thread->socket_ = std::move(socket);
    thread->assigned_.notify_one();
    return;
  }
  if (!OnGetThread) return;
  // Under the lock, so that a thread that ends at once finds itself registered.
  TServerClientThread* thread = nullptr;
  try {
    thread = OnGetThread(socket.get());
  } catch (...) {
  }
  if (!thread) return;
  socket.release();  // owned by the thread now
  threads_.emplace_back(thread);
}

bool TServerSocket::Park(TServerClientThread* thread, bool failed) {
  std::unique_lock lock(mutex_);
  thread->socket_.reset();
  auto end = [&] {
    ended_.push_back(thread);
    wake_.Signal();
    changed_.notify_all();
    return false;
  };
  if (failed || closing_ || thread->Terminated() ||
      static_cast<int>(idle_.size()) >= ThreadCacheSize)
    return end();
  idle_.push_back(thread);
  changed_.notify_all();
  thread->assigned_.wait(lock, [&] { return thread->socket_ || closing_; });
  if (thread->socket_) return true;
  std::erase(idle_, thread);
  return end();
}

void TServerSocket::ReportError(const std::string& message) {
  if (OnThreadError)
    OnThreadError(message);
  else
    std::fprintf(stderr, "%s\n", message.c_str());
}

void TServerSocket::Reap() {
  std::vector<std::unique_ptr<TServerClientThread>> done;
  {
    std::lock_guard lock(mutex_);
    for (TServerClientThread* thread : ended_) {
      auto it = std::find_if(threads_.begin(), threads_.end(),
                             [&](const auto& owned) { return owned.get() == thread; });
      if (it == threads_.end()) continue;
      done.push_back(std::move(*it));
      threads_.erase(it);
    }
    ended_.clear();
  }
  for (auto& thread : done)
    if (thread->thread_.joinable()) thread->thread_.join();
}

void TServerSocket::Close() {
  if (listen_ < 0) return;
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  wake_.Signal();
  acceptor_.join();
  close(listen_);
  listen_ = -1;

  std::unique_lock lock(mutex_);
  for (auto& thread : threads_) {
    thread->Terminate();
    if (thread->socket_) thread->socket_->Shutdown();
    thread->assigned_.notify_all();
  }
  while (ended_.size() < threads_.size()) {
    changed_.wait_for(lock, std::chrono::milliseconds(10));
    if (OnWaitForThreads) {
      lock.unlock();
      OnWaitForThreads();
      lock.lock();
    }
  }
  lock.unlock();
  Reap();
}

int TServerSocket::ActiveConnections() const {
  std::lock_guard lock(mutex_);
  int count = 0;
  for (const auto& thread : threads_)
    if (thread->socket_) ++count;
  return count;
}

int TServerSocket::IdleThreads() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(idle_.size());
}

int TServerSocket::ThreadCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(threads_.size());
}

}  // namespace win::net
