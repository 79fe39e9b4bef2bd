#pragma once
// Stream sockets in WinSock's shape over POSIX sockets: connected sockets that never block (a send
// takes what fits, a receive what is there), connections to a host and port with name resolution,
// waits on several sockets with a time limit and a waker, and the listening socket that serves
// each accepted connection on a thread of its own, keeping a few idle threads for reuse.
// Results are WinSock error codes (0 = success); nothing here throws.
//
// Socket and Network are interfaces, so that a program's sessions also run over in-memory
// sockets (MemoryNetwork) on one thread with a virtual clock.
#include <sys/socket.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/types.h"

namespace win {

constexpr DWORD WSAEINTR = 10004;
constexpr DWORD WSAEBADF = 10009;
constexpr DWORD WSAEACCES = 10013;
constexpr DWORD WSAEINVAL = 10022;
constexpr DWORD WSAEMFILE = 10024;
constexpr DWORD WSAEWOULDBLOCK = 10035;
constexpr DWORD WSAENOTSOCK = 10038;
constexpr DWORD WSAEAFNOSUPPORT = 10047;
constexpr DWORD WSAEADDRINUSE = 10048;
constexpr DWORD WSAEADDRNOTAVAIL = 10049;
constexpr DWORD WSAENETDOWN = 10050;
constexpr DWORD WSAENETUNREACH = 10051;
constexpr DWORD WSAECONNABORTED = 10053;
constexpr DWORD WSAECONNRESET = 10054;
constexpr DWORD WSAENOBUFS = 10055;
constexpr DWORD WSAENOTCONN = 10057;
constexpr DWORD WSAESHUTDOWN = 10058;
constexpr DWORD WSAETIMEDOUT = 10060;
constexpr DWORD WSAECONNREFUSED = 10061;
constexpr DWORD WSAEHOSTUNREACH = 10065;
constexpr DWORD WSAHOST_NOT_FOUND = 11001;
constexpr DWORD WSATRY_AGAIN = 11002;
constexpr DWORD WSANO_RECOVERY = 11003;
constexpr DWORD WSANO_DATA = 11004;

namespace net {

// What a wait watches for (events) and what it found (ready).
enum : unsigned {
  kReadable =
      1,  // bytes are waiting, or the peer closed (a receive then gives 0 bytes or an error)
  kWritable = 2,  // a send takes bytes again; a connection attempt has an outcome
  kHangup = 4,    // the peer closed its sending side, or the connection broke
};

// A connected (or connecting) stream socket.
class Socket {
 public:
  virtual ~Socket() = default;
  // Sends what fits now; sent = the count taken. WSAEWOULDBLOCK when nothing fits.
  virtual DWORD Send(const char* data, std::size_t size, std::size_t& sent) = 0;
  // Receives up to size waiting bytes. 0 with received = 0: the peer closed the connection.
  // WSAEWOULDBLOCK when nothing is waiting.
  virtual DWORD Receive(char* data, std::size_t size, std::size_t& received) = 0;
  // The number of bytes waiting; 0 also when the peer closed.
  virtual std::size_t Available() = 0;
  // The outcome of a connection attempt once the socket reported kWritable: 0 when connected,
  // WSAEWOULDBLOCK while it goes on (the next address of the host is being tried), else the error.
  virtual DWORD FinishConnect() = 0;
  // Ends both directions; waits on the socket wake up. The object stays valid until destroyed.
  virtual void Shutdown() = 0;
  // The peer's numeric address (dotted for IPv4), empty when unknown.
  virtual std::string RemoteAddress() const = 0;
  // The descriptor the system's waits use; -1 for sockets of other networks.
  virtual int Handle() const { return -1; }

  void* Data = nullptr;  // the program's data for this connection
};

// Wakes a thread out of its waits, from any thread. It stays signalled until cleared.
class Waker {
 public:
  Waker();
  ~Waker();
  Waker(const Waker&) = delete;
  Waker& operator=(const Waker&) = delete;
  void Signal();
  void Clear();
  bool Signalled() const { return signalled_.load(std::memory_order_acquire); }
  int Handle() const { return fd_; }

 private:
  int fd_;
  std::atomic<bool> signalled_{false};
};

struct WaitItem {
  Socket* socket;
  unsigned events;  // kReadable, kWritable, kHangup
  unsigned ready = 0;
};

// Where a program's sockets come from and how it waits on them.
class Network {
 public:
  virtual ~Network() = default;
  // Resolves host and starts connecting to port; the socket reports kWritable once the attempt
  // has an outcome, which FinishConnect tells. Fails at once for a name that does not resolve
  // (WSAHOST_NOT_FOUND ...) and for port 0 (WSAEADDRNOTAVAIL).
  virtual DWORD Connect(const std::string& host, std::uint16_t port,
                        std::unique_ptr<Socket>& socket) = 0;
  // Waits until an item is ready, the waker is signalled or timeoutMs passes (-1: no limit).
  // Returns the number of ready items: 0 after the time limit, a wake or an interruption.
  virtual int Wait(std::span<WaitItem> items, const Waker* waker, int timeoutMs) = 0;
  // Milliseconds on a monotonic clock.
  virtual std::uint64_t Now() = 0;
};

// The system's sockets.
Network& SystemNetwork();

// Sends every byte, waiting for room as long as the peer takes some within timeoutMs;
// WSAETIMEDOUT when it takes none for that long.
DWORD SendAll(Network& network, Socket& socket, std::string_view data, int timeoutMs);

// A resolved socket address.
struct Address {
  sockaddr_storage storage{};
  socklen_t length = 0;
  std::string ToString() const;  // numeric host; an IPv4-mapped IPv6 address in dotted form
};

// The addresses of host (a name or a numeric address) for TCP, in the resolver's order.
DWORD Resolve(const std::string& host, std::uint16_t port, std::vector<Address>& addresses);

// A socket over a POSIX descriptor, non-blocking, with Nagle's delay off.
class TcpSocket : public Socket {
 public:
  explicit TcpSocket(int fd);  // takes a connected descriptor
  ~TcpSocket() override;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // Starts connecting to the first address; FinishConnect goes on to the others in turn.
  static DWORD Connect(std::vector<Address> addresses, std::unique_ptr<TcpSocket>& socket);

  DWORD Send(const char* data, std::size_t size, std::size_t& sent) override;
  DWORD Receive(char* data, std::size_t size, std::size_t& received) override;
  std::size_t Available() override;
  DWORD FinishConnect() override;
  void Shutdown() override;
  std::string RemoteAddress() const override;
  int Handle() const override { return fd_; }

 private:
  TcpSocket() = default;
  DWORD ConnectNext();

  int fd_ = -1;
  std::vector<Address> addresses_;  // still to try while connecting
  std::size_t next_ = 0;
};

class TServerSocket;
class TServerClientThread;

// A connection accepted by a TServerSocket.
class TServerClientWinSocket : public TcpSocket {
 public:
  TServerClientWinSocket(int fd, TServerSocket* server) : TcpSocket(fd), server_(server) {}
  TServerSocket* ServerSocket() const { return server_; }

 private:
  TServerSocket* server_;
};

// The thread that serves connections of a TServerSocket, one at a time: ServeConnection runs once
// per connection. Between connections the thread may wait idle in the socket's cache.
class TServerClientThread {
 public:
  // Takes over socket. A suspended thread starts with Resume, which derived classes call at the
  // end of their constructor; otherwise the thread starts here.
  TServerClientThread(bool createSuspended, TServerClientWinSocket* socket);
  virtual ~TServerClientThread();
  TServerClientThread(const TServerClientThread&) = delete;
  TServerClientThread& operator=(const TServerClientThread&) = delete;

  void Resume();
  TServerClientWinSocket* ClientSocket() const { return socket_.get(); }
  TServerSocket* ServerSocket() const { return server_; }
  // Asks the thread to end: its waits with Wake() return, and the socket takes no new work.
  void Terminate();
  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
  const Waker& Wake() const { return wake_; }

 protected:
  // Serves ClientSocket() until the connection ends. An exception escaping it is reported through
  // the socket's OnThreadError, and the thread then ends instead of waiting for reuse.
  virtual void ServeConnection() = 0;

 private:
  friend class TServerSocket;
  void Execute();

  TServerSocket* server_;
  std::unique_ptr<TServerClientWinSocket> socket_;  // changed under the server's lock
  std::thread thread_;
  std::atomic<bool> terminated_{false};
  Waker wake_;
  std::condition_variable assigned_;
};

// A listening socket in thread-blocking mode: every accepted connection is served by a thread of
// its own, an idle cached one when there is one, else the one OnGetThread makes. Finished threads
// wait idle for reuse up to ThreadCacheSize; beyond that they end.
class TServerSocket {
 public:
  TServerSocket() = default;
  ~TServerSocket();  // Close
  TServerSocket(const TServerSocket&) = delete;
  TServerSocket& operator=(const TServerSocket&) = delete;

  std::string Address = "127.0.0.1";  // numeric address to listen on
  std::uint16_t Port = 0;             // 0: a free port, see LocalPort
  int ThreadCacheSize = 10;

  // Makes the thread for a connection that no idle thread takes; the thread owns the socket.
  // Called on the socket's own listening thread. Returning nullptr closes the connection.
  std::function<TServerClientThread*(TServerClientWinSocket* socket)> OnGetThread;
  // The read step of a connection, for its thread to call when bytes are waiting.
  std::function<void(TServerClientWinSocket& socket)> OnClientRead;
  // An exception that escaped ServeConnection, on the failing thread (default: standard error).
  std::function<void(const std::string& message)> OnThreadError;
  // Called about every 10 ms while Close waits for the connection threads, so that a thread
  // blocked on work of the closing thread (for example a step synchronised onto it) can finish.
  std::function<void()> OnWaitForThreads;

  // Binds, listens and starts accepting. WSAEADDRINUSE, WSAEACCES ... when the port cannot be
  // opened; WSAEINVAL for an address that is not numeric or a socket that is already open.
  DWORD Open();
  // Stops accepting, closes every connection, asks its threads to end and waits for all threads.
  void Close();
  bool Active() const { return listen_ >= 0; }
  std::uint16_t LocalPort() const { return localPort_; }

  int ActiveConnections() const;  // connections being served
  int IdleThreads() const;
  int ThreadCount() const;  // threads that exist, busy, idle or ending

 private:
  friend class TServerClientThread;
  void AcceptLoop();
  void Dispatch(std::unique_ptr<TServerClientWinSocket> socket);
  // After a connection: parks the thread in the cache until the next connection (true) or lets
  // it end (false).
  bool Park(TServerClientThread* thread, bool failed);
  void ReportError(const std::string& message);
  void Reap();  // joins and deletes the threads that ended

  int listen_ = -1;
  std::uint16_t localPort_ = 0;
  std::thread acceptor_;
  Waker wake_;  // stops the listening thread, and tells it that threads ended
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool closing_ = false;
  std::vector<std::unique_ptr<TServerClientThread>> threads_;
  std::vector<TServerClientThread*> idle_;
  std::vector<TServerClientThread*> ended_;
};

// One end of an in-memory connection. MemorySocket and MemoryNetwork are for one thread.
class MemorySocket : public Socket {
 public:
  // Two connected ends: what one sends, the other receives.
  static std::pair<std::unique_ptr<MemorySocket>, std::unique_ptr<MemorySocket>> Pair();
  ~MemorySocket() override;  // the peer then receives the end of the stream

  DWORD Send(const char* data, std::size_t size, std::size_t& sent) override;
  DWORD Receive(char* data, std::size_t size, std::size_t& received) override;
  std::size_t Available() override;
  DWORD FinishConnect() override;
  void Shutdown() override;
  std::string RemoteAddress() const override { return remoteAddress_; }

  // The peer receives the end of the stream after the bytes sent so far; this end still receives.
  void ShutdownSend();
  // The connection breaks: both ends get WSAECONNRESET.
  void Reset();
  std::string ReceiveAll();  // every byte waiting
  bool PeerClosed() const;   // the peer shut down, went away or the connection broke
  // What FinishConnect reports; WSAEWOULDBLOCK makes an attempt that never ends.
  void SetConnectResult(DWORD result) { connectResult_ = result; }
  void SetRemoteAddress(std::string address) { remoteAddress_ = std::move(address); }
  unsigned Ready(unsigned events) const;

 private:
  struct Shared;
  MemorySocket(std::shared_ptr<Shared> shared, int side)
      : shared_(std::move(shared)), side_(side) {}

  std::shared_ptr<Shared> shared_;
  int side_;
  DWORD connectResult_ = 0;
  std::string remoteAddress_ = "127.0.0.1";
};

// A network of MemorySockets with a virtual clock: a wait that finds nothing ready asks OnIdle
// to make progress, and when it makes none, the wait's time passes at once.
class MemoryNetwork : public Network {
 public:
  // Decides each connection: 0 with socket set to one end of a pair (the test keeps the other),
  // or an error code.
  std::function<DWORD(const std::string& host, std::uint16_t port, std::unique_ptr<Socket>& socket)>
      OnConnect;
  // Called while a wait finds nothing ready; returns whether it did something (sent bytes,
  // closed an end). Without it, or when it returns false, the wait times out.
  std::function<bool()> OnIdle;

  DWORD Connect(const std::string& host, std::uint16_t port,
                std::unique_ptr<Socket>& socket) override;
  int Wait(std::span<WaitItem> items, const Waker* waker, int timeoutMs) override;
  std::uint64_t Now() override { return now_; }

 private:
  std::uint64_t now_ = 0;
};

}  // namespace net
}  // namespace win
