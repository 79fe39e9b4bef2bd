#pragma once
// Message box flags and answers with Win32's values, and what a box of given flags offers.
#include <optional>
#include <string_view>
#include <vector>

namespace forms {

using UINT = unsigned;

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_TYPEMASK = 0xF;

constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0xF0;

constexpr UINT MB_DEFBUTTON1 = 0x000;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_DEFBUTTON4 = 0x300;
constexpr UINT MB_DEFMASK = 0xF00;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The buttons of a box, left to right; an unknown button type offers OK.
std::vector<int> MessageBoxButtons(UINT flags);
// The default button: the one MB_DEFBUTTONn names, the first when there are fewer buttons.
int DefaultButton(UINT flags);
// "ok", "cancel", "abort", "retry", "ignore", "yes", "no".
std::string_view ButtonWord(int button);
// The button of one of those words, without regard to letter case.
std::optional<int> ButtonOfWord(std::string_view word);

}  // namespace forms
