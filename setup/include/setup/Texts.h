#pragma once
// The setup program's Japanese texts as the Shift-JIS bytes (code page 932) that the program shows
// and writes. Every entry carries the same text in UTF-8 beside its bytes; a test converts each one
// and compares, so a wrong byte cannot slip in. The escapes of a new text come from
// python3 -c "import sys; print(''.join('\\x%02x' % b for b in sys.argv[1].encode('cp932')))"
// (ASCII parts may stay readable; where an escape is followed by a hex digit, split the literal
// as in "\x82\xcc" "Dll...").

namespace setup::texts {

// clang-format off
#define SETUP_TEXTS(X) \
  X(kSetupWord, "インストール",  \
    "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b") \
  X(kUnSetupWord, "アンインストール",  \
    "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b") \
  X(kLoadLibraryFailed, "の読み込みに失敗しました．",  \
    "\x82\xcc\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x44") \
  X(kLoadLibraryCaption, "OCX/DLL登録エラー(LoadLibrary)",  \
    "OCX/DLL\x93\x6f\x98\x5e\x83\x47\x83\x89\x81\x5b(LoadLibrary)") \
  X(kRegisterEntryMissing, "のDllRegisterServerエントリが見つかりません．",  \
    "\x82\xcc" "DllRegisterServer\x83\x47\x83\x93\x83\x67\x83\x8a\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x44") \
  X(kGetProcAddressCaption, "OCX/DLL登録エラー(GetProcAddress)",  \
    "OCX/DLL\x93\x6f\x98\x5e\x83\x47\x83\x89\x81\x5b(GetProcAddress)") \
  X(kRegisterFailed, "のDllRegisterServer関数が失敗しました．",  \
    "\x82\xcc" "DllRegisterServer\x8a\xd6\x90\x94\x82\xaa\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x44") \
  X(kProcedureCaption, "OCX/DLL登録エラー(Procedure)",  \
    "OCX/DLL\x93\x6f\x98\x5e\x83\x47\x83\x89\x81\x5b(Procedure)") \

#define SETUP_TEXT_DEFINE(name, utf8, sjis) inline constexpr char name[] = sjis;
SETUP_TEXTS(SETUP_TEXT_DEFINE)
#undef SETUP_TEXT_DEFINE
// clang-format on

}  // namespace setup::texts
