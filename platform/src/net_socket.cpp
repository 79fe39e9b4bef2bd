#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "net_internal.h"
#include "platform/net.h"

namespace win::net {

DWORD WsaError(int error) {
  switch (error) {
    case 0:
      return 0;
    case EINTR:
      return WSAEINTR;
    case EBADF:
      return WSAEBADF;
    case EACCES:
    case EPERM:
      return WSAEACCES;
    case EMFILE:
    case ENFILE:
      return WSAEMFILE;
    case EAGAIN:
    case EINPROGRESS:
    case EALREADY:
      return WSAEWOULDBLOCK;
    case ENOTSOCK:
      return WSAENOTSOCK;
    case EAFNOSUPPORT:
      return WSAEAFNOSUPPORT;
    case EADDRINUSE:
      return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
      return WSAEADDRNOTAVAIL;
    case ENETDOWN:
      return WSAENETDOWN;
    case ENETUNREACH:
      return WSAENETUNREACH;
    case ECONNABORTED:
      return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE:
      return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM:
      return WSAENOBUFS;
    case ENOTCONN:
      return WSAENOTCONN;
    case ESHUTDOWN:
      return WSAESHUTDOWN;
    case ETIMEDOUT:
      return WSAETIMEDOUT;
    case ECONNREFUSED:
      return WSAECONNREFUSED;
    case EHOSTUNREACH:
      return WSAEHOSTUNREACH;
    default:
      return WSAEINVAL;
  }
}

namespace {

DWORD LastError() { return WsaError(errno); }

DWORD ResolverError(int error) {
  switch (error) {
    case EAI_AGAIN:
      return WSATRY_AGAIN;
    case EAI_FAIL:
      return WSANO_RECOVERY;
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
      return WSANO_DATA;
    case EAI_MEMORY:
      return WSAENOBUFS;
    case EAI_SYSTEM:
      return LastError();
    default:
      return WSAHOST_NOT_FOUND;
  }
}

void SetNoDelay(int fd) {
  int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

short PollEvents(unsigned events) {
  short result = 0;
  if (events & kReadable) result |= POLLIN;
  if (events & kWritable) result |= POLLOUT;
  if (events & kHangup) result |= POLLRDHUP;
  return result;
}

unsigned ReadyEvents(short revents, unsigned events) {
  unsigned ready = 0;
  if (revents & (POLLIN | POLLHUP | POLLERR)) ready |= events & kReadable;
  if (revents & (POLLOUT | POLLHUP | POLLERR)) ready |= events & kWritable;
  if (revents & (POLLRDHUP | POLLHUP | POLLERR)) ready |= kHangup;
  return ready;
}

using Clock = std::chrono::steady_clock;

// Falling asleep in poll and being woken costs more than a few polls that return at once, so a
// wait that ends within kSpin is cheaper spun. A thread spins only while its waits keep ending
// that soon (a newsreader and a server that answer at once): the waits of an idle or slow
// connection sleep at once, after at most one spin that found nothing.
constexpr auto kSpin = std::chrono::microseconds(50);
thread_local bool waitsEndSoon = false;

int PollSpinning(std::vector<pollfd>& fds, int timeoutMs) {
  int found = 0;
  if (timeoutMs != 0 && waitsEndSoon) {
    Clock::time_point until = Clock::now() + kSpin;
    // A thread that shares its core with the peer it waits for lets the peer run.
    while ((found = poll(fds.data(), fds.size(), 0)) == 0 && Clock::now() < until) sched_yield();
    if (found != 0) return found;
  }
  Clock::time_point start = Clock::now();
  found = poll(fds.data(), fds.size(), timeoutMs);
  waitsEndSoon = found > 0 && Clock::now() - start < kSpin;
  return found;
}

class PosixNetwork : public Network {
 public:
  DWORD Connect(const std::string& host, std::uint16_t port,
                std::unique_ptr<Socket>& socket) override {
    socket.reset();
    if (port == 0) return WSAEADDRNOTAVAIL;
    std::vector<Address> addresses;
    if (DWORD error = Resolve(host, port, addresses)) return error;
    std::unique_ptr<TcpSocket> tcp;
    DWORD error = TcpSocket::Connect(std::move(addresses), tcp);
    socket = std::move(tcp);
    return error;
  }

  int Wait(std::span<WaitItem> items, const Waker* waker, int timeoutMs) override {
    std::vector<pollfd> fds;
    fds.reserve(items.size() + 1);
    for (WaitItem& item : items) {
      item.ready = 0;
      fds.push_back({item.socket ? item.socket->Handle() : -1, PollEvents(item.events), 0});
    }
    if (waker) fds.push_back({waker->Handle(), POLLIN, 0});
    if (PollSpinning(fds, timeoutMs) <= 0) return 0;
    int count = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
      items[i].ready = ReadyEvents(fds[i].revents, items[i].events);
      if (items[i].ready) ++count;
    }
    return count;
  }

  std::uint64_t Now() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
};

}  // namespace

Network& SystemNetwork() {
  static PosixNetwork network;
  return network;
}

DWORD SendAll(Network& network, Socket& socket, std::string_view data, int timeoutMs) {
  while (!data.empty()) {
    std::size_t sent = 0;
    DWORD error = socket.Send(data.data(), data.size(), sent);
    if (error == 0) {
      data.remove_prefix(sent);
      continue;
    }
    if (error != WSAEWOULDBLOCK) return error;
    WaitItem item{&socket, kWritable};
    if (network.Wait({&item, 1}, nullptr, timeoutMs) == 0) return WSAETIMEDOUT;
  }
  return 0;
}

Waker::Waker() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Waker::~Waker() {
  if (fd_ >= 0) close(fd_);
}

void Waker::Signal() {
  signalled_.store(true, std::memory_order_release);
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}

void Waker::Clear() {
  signalled_.store(false, std::memory_order_release);
  std::uint64_t count;
  [[maybe_unused]] ssize_t n = read(fd_, &count, sizeof count);
}

std::string Address::ToString() const {
  char text[INET6_ADDRSTRLEN] = "";
  if (storage.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(storage);
    inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
  } else if (storage.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(storage);
    if (IN6_IS_ADDR_V4MAPPED(&in6.sin6_addr))
      inet_ntop(AF_INET, &in6.sin6_addr.s6_addr[12], text, sizeof text);
    else
      inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
  }
  return text;
}

DWORD Resolve(const std::string& host, std::uint16_t port, std::vector<Address>& addresses) {
  addresses.clear();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* list = nullptr;
  std::string service = std::to_string(port);
  if (host.empty()) return WSAHOST_NOT_FOUND;
  if (int error = getaddrinfo(host.c_str(), service.c_str(), &hints, &list))
    return ResolverError(error);
  for (addrinfo* entry = list; entry; entry = entry->ai_next) {
    Address address;
    std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
    address.length = entry->ai_addrlen;
    addresses.push_back(address);
  }
  freeaddrinfo(list);
  return addresses.empty() ? WSANO_DATA : 0;
}

TcpSocket::TcpSocket(int fd) : fd_(fd) {
  fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
  SetNoDelay(fd_);
}

TcpSocket::~TcpSocket() {
  if (fd_ >= 0) close(fd_);
}

DWORD TcpSocket::Connect(std::vector<Address> addresses, std::unique_ptr<TcpSocket>& socket) {
  socket.reset(new TcpSocket);
  socket->addresses_ = std::move(addresses);
  DWORD error = socket->ConnectNext();
  if (error == WSAEWOULDBLOCK) return 0;  // under way: kWritable tells when it has an outcome
  if (error != 0) socket.reset();
  return error;
}

// Starts an attempt on the next address that accepts one: 0 when connected at once,
// WSAEWOULDBLOCK while under way, else the error of the last address.
DWORD TcpSocket::ConnectNext() {
  DWORD error = WSAEADDRNOTAVAIL;
  while (next_ < addresses_.size()) {
    const Address& address = addresses_[next_++];
    if (fd_ >= 0) close(fd_);
    fd_ = socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
      error = LastError();
      continue;
    }
    SetNoDelay(fd_);
    if (connect(fd_, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0)
      return 0;
    error = LastError();
    if (error == WSAEWOULDBLOCK) return error;
  }
  return error;
}

DWORD TcpSocket::FinishConnect() {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  if (error == 0) {
    // Writable without an error can still mean "not yet" on a spurious wake.
    sockaddr_storage peer;
    socklen_t peerLength = sizeof peer;
    if (getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0) return 0;
    if (errno != ENOTCONN) return LastError();
    return WSAEWOULDBLOCK;
  }
  DWORD failure = WsaError(error);
  if (next_ >= addresses_.size()) return failure;
  DWORD next = ConnectNext();
  return next == 0 || next == WSAEWOULDBLOCK ? next : failure;
}

DWORD TcpSocket::Send(const char* data, std::size_t size, std::size_t& sent) {
  sent = 0;
  ssize_t n = send(fd_, data, size, MSG_NOSIGNAL);
  if (n < 0) return LastError();
  sent = static_cast<std::size_t>(n);
  return 0;
}

DWORD TcpSocket::Receive(char* data, std::size_t size, std::size_t& received) {
  received = 0;
  ssize_t n = recv(fd_, data, size, 0);
  if (n < 0) return LastError();
  received = static_cast<std::size_t>(n);
  return 0;
}

std::size_t TcpSocket::Available() {
  int count = 0;
  if (ioctl(fd_, FIONREAD, &count) != 0 || count < 0) return 0;
  return static_cast<std::size_t>(count);
}

void TcpSocket::Shutdown() { shutdown(fd_, SHUT_RDWR); }

std::string TcpSocket::RemoteAddress() const {
  Address address;
  address.length = sizeof address.storage;
  if (getpeername(fd_, reinterpret_cast<sockaddr*>(&address.storage), &address.length) != 0)
    return "";
  return address.ToString();
}

}  // namespace win::net
