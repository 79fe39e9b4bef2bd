#include "setup/MainHelpers.h"

#include <optional>

#include "forms/application.h"
#include "platform/codepage.h"
#include "platform/errors.h"
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

// Whether text ends with suffix where a character starts.
bool EndsWithCharacters(std::string_view text, std::string_view suffix) {
  return !suffix.empty() && text.ends_with(suffix) &&
         !IsTrailByte(text, text.size() - suffix.size() + 1);
}

// Bytes of the last character of text when it is a blank, a control character or a full stop
// (ASCII, ideographic or full-width, as the active code page writes them); 0 otherwise.
std::size_t ClosingCharacterLength(std::string_view text) {
  static constexpr const char* kWideStops[] = {"\xe3\x80\x82", "\xef\xbc\x8e", "\xe3\x80\x80"};
  if (text.empty()) return 0;
  auto last = static_cast<unsigned char>(text.back());
  if (!IsTrailByte(text, text.size()) && (last <= ' ' || last == '.')) return 1;
  for (const char* wide : kWideStops) {
    std::optional<std::string> ansi = win::Utf8ToAnsiExact(wide);
    if (ansi && EndsWithCharacters(text, *ansi)) return ansi->size();
  }
  return 0;
}

std::string TrimMessageEnd(std::string text) {
  while (std::size_t length = ClosingCharacterLength(text)) text.resize(text.size() - length);
  return text;
}

}  // namespace

std::string FolderPart(std::string_view path) {
  return std::string(path.substr(0, FolderLength(path)));
}

std::string FileNamePart(std::string_view path) {
  return std::string(path.substr(FolderLength(path)));
}

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  forms::Application* app = forms::CurrentApp();
  return app ? app->MessageBox(text, caption, flags) : 0;  // 0: no box could be shown
}

std::string ErrorText(win::DWORD code) {
  if (code == 0) return {};
  return MapString(TrimMessageEnd(win::SystemMessage(code)), LCMAP_FULLWIDTH) + "\r\n";
}

}  // namespace setup
