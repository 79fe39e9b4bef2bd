#include "platform/lz.h"

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "fs_host.h"
#include "platform/codepage.h"
#include "platform/testing/write_errors.h"

namespace win {

namespace {

namespace fs = std::filesystem;

// COMPRESS.EXE's header: magic, method 'A', the replaced last character, the expanded length.
constexpr unsigned char kMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr std::size_t kHeaderSize = 14;

struct Header {
  int status = 0;  // 0 or an LZERROR_* code
  bool compressed = false;
  char missing = 0;
  std::uint32_t length = 0;
};

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~Fd() { reset(); }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// Opens a regular file for reading; 0 or the Win32 error.
DWORD OpenForReading(std::string_view windowsPath, Fd& fd) {
  fs::path host;
  if (DWORD err = fs_detail::Resolve(windowsPath, host)) return err;
  fd.reset(::open(host.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return fs_detail::ErrorFromErrno(errno, host);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
  return 0;
}

bool ReadAll(int fd, void* buffer, std::size_t size, off_t offset, std::size_t& got) {
  got = 0;
  while (got < size) {
    ssize_t n = ::pread(fd, static_cast<char*>(buffer) + got, size - got, offset + got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteAll(int fd, const void* buffer, std::size_t size) {
  const char* p = static_cast<const char*>(buffer);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

Header ReadHeader(int fd) {
  Header h;
  unsigned char buf[kHeaderSize];
  std::size_t got = 0;
  if (!ReadAll(fd, buf, sizeof buf, 0, got)) {
    h.status = LZERROR_READ;
    return h;
  }
  if (got < sizeof kMagic || std::memcmp(buf, kMagic, sizeof kMagic) != 0) return h;
  h.compressed = true;
  if (got < kHeaderSize) {
    h.status = LZERROR_READ;
  } else if (buf[8] != 'A') {
    h.status = LZERROR_UNKNOWNALG;
  } else {
    h.missing = static_cast<char>(buf[9]);
    h.length = buf[10] | buf[11] << 8 | buf[12] << 16 | static_cast<std::uint32_t>(buf[13]) << 24;
  }
  return h;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The header's byte may only become the last character of a file name: no separator, wildcard,
// dot, space, control character or lone lead byte. Anything else counts as not stored.
char UsableMissingChar(char c) {
  auto u = static_cast<unsigned char>(c);
  if (u <= ' ' || std::strchr("\\/:*?\"<>|.", c) || IsDBCSLeadByte(u)) return 0;
  return c;
}

std::string ExpandedName(std::string_view path, char missing) {
  std::size_t dot = std::string_view::npos, last = std::string_view::npos;
  bool lastSingle = false;
  char lastLetter = 0;
  for (std::size_t i = 0; i < path.size();) {
    const char c = path[i];
    last = i;
    if (IsDBCSLeadByte(static_cast<unsigned char>(c)) && i + 1 < path.size()) {
      lastSingle = false;
      i += 2;
      continue;
    }
    if (c == '\\' || c == '/' || c == ':') {
      dot = std::string_view::npos;
      lastLetter = 0;
    } else if (c == '.') {
      dot = i;
    } else if (IsAsciiLetter(c)) {
      lastLetter = c;
    }
    lastSingle = true;
    ++i;
  }
  std::string name(path);
  if (!lastSingle || path[last] != '_' || dot == std::string_view::npos) return name;
  missing = UsableMissingChar(missing);
  if (missing == 0) {
    name.pop_back();
    if (name.back() == '.') name.pop_back();
    return name;
  }
  if (IsAsciiLetter(missing) && lastLetter != 0) {
    const bool lower = lastLetter >= 'a';
    missing = static_cast<char>(lower ? std::tolower(missing) : std::toupper(missing));
  }
  name.back() = missing;
  return name;
}

// libmspack reads and writes through these: the "file name" it is given is a Stream.
struct Stream {
  int fd;
  off_t offset = 0;         // reading: the next position
  std::uint64_t limit = 0;  // writing: the size the header gives
  std::uint64_t written = 0;
};

Stream* AsStream(mspack_file* f) { return reinterpret_cast<Stream*>(f); }

mspack_file* StreamOpen(mspack_system*, const char* name, int) {
  return reinterpret_cast<mspack_file*>(const_cast<char*>(name));
}
void StreamClose(mspack_file*) {}
int StreamRead(mspack_file* f, void* buffer, int bytes) {
  Stream* s = AsStream(f);
  std::size_t got = 0;
  if (bytes < 0 || !ReadAll(s->fd, buffer, static_cast<std::size_t>(bytes), s->offset, got))
    return -1;
  s->offset += static_cast<off_t>(got);
  return static_cast<int>(got);
}
// Output beyond the header's size is dropped and ends the expansion (some compressors add a stray
// byte after the data).
int StreamWrite(mspack_file* f, void* buffer, int bytes) {
  Stream* s = AsStream(f);
  if (bytes < 0) return -1;
  std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, s->limit - s->written));
  if (!WriteAll(s->fd, buffer, n)) return -1;
  s->written += n;
  return n == static_cast<std::size_t>(bytes) ? bytes : -1;
}
int StreamSeek(mspack_file* f, off_t offset, int mode) {
  Stream* s = AsStream(f);
  if (mode == MSPACK_SYS_SEEK_CUR) offset += s->offset;
  if (mode == MSPACK_SYS_SEEK_END) {
    struct stat st;
    if (::fstat(s->fd, &st) != 0) return -1;
    offset += st.st_size;
  }
  if (offset < 0) return -1;
  s->offset = offset;
  return 0;
}
off_t StreamTell(mspack_file* f) { return AsStream(f)->offset; }
void StreamMessage(mspack_file*, const char*, ...) {}
void* StreamAlloc(mspack_system*, std::size_t bytes) { return std::malloc(bytes); }
void StreamFree(void* p) { std::free(p); }
void StreamCopy(void* from, void* to, std::size_t bytes) { std::memmove(to, from, bytes); }

mspack_system streamSystem = {StreamOpen, StreamClose, StreamRead,    StreamWrite,
                              StreamSeek, StreamTell,  StreamMessage, StreamAlloc,
                              StreamFree, StreamCopy,  nullptr};

// The expanded data is exactly the header's size: less is data cut short or corrupt.
long Expand(int in, int out, std::uint32_t length) {
  msszdd_decompressor* d = mspack_create_szdd_decompressor(&streamSystem);
  if (!d) return LZERROR_GLOBALLOC;
  Stream source{in};
  Stream target{out, 0, length};
  int err = d->decompress(d, reinterpret_cast<const char*>(&source),
                          reinterpret_cast<const char*>(&target));
  mspack_destroy_szdd_decompressor(d);
  if (target.written == length && (err == MSPACK_ERR_OK || err == MSPACK_ERR_WRITE))
    return static_cast<long>(length);
  if (err == MSPACK_ERR_NOMEMORY) return LZERROR_GLOBALLOC;
  if (err == MSPACK_ERR_WRITE) return LZERROR_WRITE;
  return LZERROR_READ;
}

long PassThrough(int in, int out) {
  char buf[65536];
  long total = 0;
  for (off_t offset = 0;;) {
    std::size_t got = 0;
    if (!ReadAll(in, buf, sizeof buf, offset, got)) return LZERROR_READ;
    if (got == 0) return total;
    if (!WriteAll(out, buf, got)) return LZERROR_WRITE;
    offset += static_cast<off_t>(got);
    total += static_cast<long>(got);
  }
}

struct LzFile {
  bool output = false;
  Fd fd;            // the source, or the temporary file of an output
  Header header;    // of a source
  fs::path target;  // of an output
  fs::path temp;
};

class Handles {
 public:
  int Add(std::shared_ptr<LzFile> file) {
    std::lock_guard lock(mutex_);
    int handle = next_++;
    files_[handle] = std::move(file);
    return handle;
  }
  std::shared_ptr<LzFile> Find(int handle) {
    std::lock_guard lock(mutex_);
    auto it = files_.find(handle);
    return it == files_.end() ? nullptr : it->second;
  }
  // An output handle takes one copy: its temporary file passes to the caller.
  bool TakeOutput(int handle, LzFile& taken) {
    std::lock_guard lock(mutex_);
    auto it = files_.find(handle);
    if (it == files_.end() || !it->second->output || it->second->fd.get() < 0) return false;
    taken.fd = std::move(it->second->fd);
    taken.temp = std::move(it->second->temp);
    taken.target = it->second->target;
    return true;
  }
  std::shared_ptr<LzFile> Remove(int handle) {
    std::lock_guard lock(mutex_);
    auto it = files_.find(handle);
    if (it == files_.end()) return nullptr;
    std::shared_ptr<LzFile> file = std::move(it->second);
    files_.erase(it);
    return file;
  }

 private:
  std::mutex mutex_;
  std::map<int, std::shared_ptr<LzFile>> files_;
  int next_ = 0x400;  // where the system's LZ handles begin
};

Handles& handles() {
  static Handles h;
  return h;
}

// A new file beside the target, created with the usual permissions.
DWORD CreateTemp(const fs::path& target, LzFile& file) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path temp =
        target.parent_path() / ("." + target.filename().string() + ".lz" +
                                std::to_string(::getpid()) + "-" + std::to_string(counter++));
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      file.fd.reset(fd);
      file.temp = std::move(temp);
      return 0;
    }
    if (errno != EEXIST) return fs_detail::ErrorFromErrno(errno, target);
  }
  return ERROR_ACCESS_DENIED;
}

int OpenOutput(std::string_view fileName) {
  auto file = std::make_shared<LzFile>();
  file->output = true;
  DWORD err = fs_detail::Resolve(fileName, file->target);
  std::error_code ec;
  if (err == 0 && !fs::is_directory(file->target.parent_path(), ec))
    err = ERROR_PATH_NOT_FOUND;
  else if (err == 0 && fs::is_directory(file->target, ec))
    err = ERROR_ACCESS_DENIED;
  if (err == 0) err = CreateTemp(file->target, *file);
  if (err != 0) {
    SetLastError(err);
    return LZERROR_BADINHANDLE;
  }
  return handles().Add(std::move(file));
}

int OpenInput(std::string_view fileName) {
  auto file = std::make_shared<LzFile>();
  if (DWORD err = OpenForReading(fileName, file->fd)) {
    SetLastError(err);
    return LZERROR_BADINHANDLE;
  }
  file->header = ReadHeader(file->fd.get());
  if (file->header.status != 0) return file->header.status;
  return handles().Add(std::move(file));
}

// Gives the finished temporary file the source's time, flushes it and puts it in place.
long Commit(int source, LzFile& out) {
  struct stat st;
  if (::fstat(source, &st) == 0) {
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.fd.get(), times);
  }
  if (::fsync(out.fd.get()) != 0 || ::close(out.fd.release()) != 0) return LZERROR_WRITE;
  if (::rename(out.temp.c_str(), out.target.c_str()) != 0) return LZERROR_WRITE;
  return 0;
}

}  // namespace

int GetExpandedNameA(std::string_view source, std::string& expanded) {
  expanded = source;
  Fd fd;
  if (DWORD err = OpenForReading(source, fd)) {
    SetLastError(err);
    return LZERROR_BADINHANDLE;
  }
  Header h = ReadHeader(fd.get());
  if (h.status == LZERROR_READ) return LZERROR_READ;
  if (h.compressed) expanded = ExpandedName(source, h.missing);
  return 1;
}

int LZOpenFileA(std::string_view fileName, WORD style) {
  if (style & OF_CREATE) return OpenOutput(fileName);
  if (style & (OF_WRITE | OF_READWRITE)) return LZERROR_BADVALUE;
  return OpenInput(fileName);
}

long LZCopy(int source, int destination) {
  std::shared_ptr<LzFile> in = handles().Find(source);
  if (!in || in->output) return LZERROR_BADINHANDLE;
  LzFile out;
  if (!handles().TakeOutput(destination, out)) return LZERROR_BADOUTHANDLE;
  const Header& h = in->header;
  long result = LZERROR_WRITE;
  if (DWORD injected = testing::InjectedWriteError(out.target))
    SetLastError(injected);
  else
    result = h.compressed ? Expand(in->fd.get(), out.fd.get(), h.length)
                          : PassThrough(in->fd.get(), out.fd.get());
  if (result >= 0) {
    if (long err = Commit(in->fd.get(), out)) result = err;
  }
  if (result < 0) {
    out.fd.reset();
    std::error_code ec;
    fs::remove(out.temp, ec);
  }
  return result;
}

void LZClose(int handle) {
  std::shared_ptr<LzFile> file = handles().Remove(handle);
  if (!file || !file->output || file->fd.get() < 0) return;
  file->fd.reset();
  std::error_code ec;
  fs::remove(file->temp, ec);
}

}  // namespace win
