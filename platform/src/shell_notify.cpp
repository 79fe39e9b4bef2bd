// Change notifications, kept for the tests: there is no shell that would refresh its views.
#include <mutex>

#include "platform/shell.h"

namespace win {

namespace {

constexpr unsigned kTypeMask = 0xFF;  // the kind of the items

std::mutex mutex;
std::vector<ShellChange> changes;

std::string PathItem(unsigned flags, const void* item) {
  return (flags & kTypeMask) == SHCNF_PATHA && item ? static_cast<const char*>(item) : "";
}

}  // namespace

void SHChangeNotify(LONG eventId, unsigned flags, const void* item1, const void* item2) {
  std::lock_guard lock(mutex);
  changes.push_back({eventId, flags, PathItem(flags, item1), PathItem(flags, item2)});
}

std::vector<ShellChange> ShellChanges() {
  std::lock_guard lock(mutex);
  return changes;
}

void ClearShellChanges() {
  std::lock_guard lock(mutex);
  changes.clear();
}

}  // namespace win
