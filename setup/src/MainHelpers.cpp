#include "setup/MainHelpers.h"

#include "setup/MBUtils.h"
#include "setup/uStrOp.h"

namespace setup {

std::string SearchForm(std::string_view text) {
  std::string upper = MapString(text, LCMAP_UPPERCASE);
  return upper.size() == text.size() ? upper : std::string(text);
}

std::size_t PosText(std::string_view pattern, std::string_view text) {
  return MBPos(SearchForm(pattern), SearchForm(text));
}

namespace {
// Bytes of path up to and including its last folder separator.
std::size_t FolderLength(std::string_view path) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < path.size();
       i += IsLeadByte(static_cast<unsigned char>(path[i])) ? 2 : 1) {
    if (path[i] == '\\' || path[i] == ':') length = i + 1;
  }
  return length;
}
}  // namespace

std::string FolderPart(std::string_view path) {
  return std::string(path.substr(0, FolderLength(path)));
}

std::string FileNamePart(std::string_view path) {
  return std::string(path.substr(FolderLength(path)));
}

}  // namespace setup
