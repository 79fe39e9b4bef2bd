#include <algorithm>
#include <cstring>

#include "platform/net.h"

namespace win::net {

// Side i receives queue[i], which the other side fills.
struct MemorySocket::Shared {
  std::string queue[2];
  std::size_t offset[2] = {0, 0};
  bool ended[2] = {false, false};     // side i receives no more bytes than are queued
  bool sendShut[2] = {false, false};  // side i sends no more
  bool gone[2] = {false, false};
  bool reset = false;
};

std::pair<std::unique_ptr<MemorySocket>, std::unique_ptr<MemorySocket>> MemorySocket::Pair() {
  auto shared = std::make_shared<Shared>();
  return {std::unique_ptr<MemorySocket>(new MemorySocket(shared, 0)),
          std::unique_ptr<MemorySocket>(new MemorySocket(shared, 1))};
}

MemorySocket::~MemorySocket() {
  shared_->gone[side_] = true;
  shared_->ended[1 - side_] = true;
}

DWORD MemorySocket::Send(const char* data, std::size_t size, std::size_t& sent) {
  sent = 0;
  Shared& s = *shared_;
  if (s.reset || s.gone[1 - side_]) return WSAECONNRESET;
  if (s.sendShut[side_]) return WSAESHUTDOWN;
  if (connectResult_ == WSAEWOULDBLOCK) return WSAENOTCONN;
  s.queue[1 - side_].append(data, size);
  sent = size;
  return 0;
}

DWORD MemorySocket::Receive(char* data, std::size_t size, std::size_t& received) {
  received = 0;
  Shared& s = *shared_;
  if (s.reset) return WSAECONNRESET;
  std::string& queue = s.queue[side_];
  std::size_t& offset = s.offset[side_];
  std::size_t n = std::min(size, queue.size() - offset);
  if (n == 0) return s.ended[side_] ? 0 : WSAEWOULDBLOCK;
  std::memcpy(data, queue.data() + offset, n);
  offset += n;
  if (offset == queue.size()) {
    queue.clear();
    offset = 0;
  } else if (offset > queue.size() / 2) {
    queue.erase(0, offset);
    offset = 0;
  }
  received = n;
  return 0;
}

std::size_t MemorySocket::Available() {
  const Shared& s = *shared_;
  return s.reset ? 0 : s.queue[side_].size() - s.offset[side_];
}

DWORD MemorySocket::FinishConnect() { return connectResult_; }

void MemorySocket::Shutdown() {
  ShutdownSend();
  shared_->ended[side_] = true;
}

void MemorySocket::ShutdownSend() {
  shared_->sendShut[side_] = true;
  shared_->ended[1 - side_] = true;
}

void MemorySocket::Reset() { shared_->reset = true; }

std::string MemorySocket::ReceiveAll() {
  Shared& s = *shared_;
  std::string bytes = s.queue[side_].substr(s.offset[side_]);
  s.queue[side_].clear();
  s.offset[side_] = 0;
  return bytes;
}

bool MemorySocket::PeerClosed() const {
  const Shared& s = *shared_;
  return s.reset || s.ended[side_] || s.gone[1 - side_];
}

unsigned MemorySocket::Ready(unsigned events) const {
  const Shared& s = *shared_;
  bool ended = s.ended[side_] || s.reset;
  unsigned ready = 0;
  if ((events & kReadable) && (ended || s.queue[side_].size() > s.offset[side_]))
    ready |= kReadable;
  if ((events & kWritable) && connectResult_ != WSAEWOULDBLOCK) ready |= kWritable;
  if (((events & kHangup) && ended) || s.reset) ready |= kHangup;
  return ready;
}

DWORD MemoryNetwork::Connect(const std::string& host, std::uint16_t port,
                             std::unique_ptr<Socket>& socket) {
  socket.reset();
  if (port == 0) return WSAEADDRNOTAVAIL;
  if (!OnConnect) return WSAEHOSTUNREACH;
  DWORD error = OnConnect(host, port, socket);
  if (error) socket.reset();
  return error;
}

int MemoryNetwork::Wait(std::span<WaitItem> items, const Waker* waker, int timeoutMs) {
  while (true) {
    int count = 0;
    for (WaitItem& item : items) {
      auto* memory = dynamic_cast<MemorySocket*>(item.socket);
      item.ready = memory ? memory->Ready(item.events) : 0;
      if (item.ready) ++count;
    }
    if (count > 0 || (waker && waker->Signalled())) return count;
    if (!OnIdle || !OnIdle()) {
      if (timeoutMs > 0) now_ += static_cast<std::uint64_t>(timeoutMs);
      return 0;
    }
  }
}

}  // namespace win::net
