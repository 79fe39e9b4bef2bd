#pragma once
// The console's input: lines from a stream (which never blocks) or from a file descriptor (read
// as bytes arrive, waited on together with the Application's wake pipe).
#include <deque>
#include <istream>
#include <string>

namespace forms {

class ConsoleInput {
 public:
  explicit ConsoleInput(std::istream& in) : stream_(&in) {}
  explicit ConsoleInput(int fd) : fd_(fd) {}

  // The next line without taking it; a final CR is dropped. When no line is there yet: with
  // `block`, waits until one arrives, the input ends or `wakeFd` becomes readable; without, looks
  // only. nullptr when there is no line now (see Ended).
  const std::string* Peek(bool block, int wakeFd);
  void Pop() { lines_.pop_front(); }
  bool Ended() const { return ended_ && lines_.empty(); }

 private:
  void ReadStream();
  bool ReadFd(bool block, int wakeFd);  // false: woken or nothing to read now
  void AddLines();

  std::istream* stream_ = nullptr;
  int fd_ = -1;
  std::deque<std::string> lines_;
  std::string partial_;
  bool ended_ = false;
};

}  // namespace forms
