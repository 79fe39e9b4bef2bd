#include "forms/message_box.h"

#include "names.h"

namespace forms {

namespace {

constexpr std::string_view kWords[] = {"", "ok", "cancel", "abort", "retry", "ignore", "yes", "no"};

}  // namespace

std::vector<int> MessageBoxButtons(UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    default:
      return {IDOK};
  }
}

int DefaultButton(UINT flags) {
  const std::vector<int> buttons = MessageBoxButtons(flags);
  const size_t index = (flags & MB_DEFMASK) >> 8;
  return buttons[index < buttons.size() ? index : 0];
}

std::string_view ButtonWord(int button) {
  return button >= IDOK && button <= IDNO ? kWords[button] : std::string_view();
}

std::optional<int> ButtonOfWord(std::string_view word) {
  for (int button = IDOK; button <= IDNO; ++button)
    if (SameName(kWords[button], word)) return button;
  return std::nullopt;
}

}  // namespace forms
