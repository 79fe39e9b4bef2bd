#include "console_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace forms {

namespace {

std::string WithoutCR(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

const std::string* ConsoleInput::Peek(bool block, int wakeFd) {
  while (lines_.empty() && !ended_) {
    if (stream_)
      ReadStream();
    else if (!ReadFd(block, wakeFd))
      break;
  }
  return lines_.empty() ? nullptr : &lines_.front();
}

void ConsoleInput::ReadStream() {
  std::string line;
  if (std::getline(*stream_, line))
    lines_.push_back(WithoutCR(std::move(line)));
  else
    ended_ = true;
}

bool ConsoleInput::ReadFd(bool block, int wakeFd) {
  pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd, POLLIN, 0}};
  int ready = poll(fds, 2, block ? -1 : 0);
  if (ready < 0 && errno == EINTR) return false;
  if (ready < 0) {
    ended_ = true;
    return true;
  }
  if (fds[0].revents == 0) return false;
  char buffer[4096];
  ssize_t n = read(fd_, buffer, sizeof buffer);
  if (n < 0 && errno == EINTR) return true;
  if (n <= 0) {
    ended_ = true;
    if (!partial_.empty()) lines_.push_back(WithoutCR(std::move(partial_)));
    partial_.clear();
    return true;
  }
  partial_.append(buffer, static_cast<size_t>(n));
  AddLines();
  return true;
}

void ConsoleInput::AddLines() {
  size_t start = 0, end;
  while ((end = partial_.find('\n', start)) != std::string::npos) {
    lines_.push_back(WithoutCR(partial_.substr(start, end - start)));
    start = end + 1;
  }
  partial_.erase(0, start);
}

}  // namespace forms
