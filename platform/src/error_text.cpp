// Japanese message texts of the Win32 error codes that the programs can meet.
#include <cstdio>
#include <string_view>

#include "platform/codepage.h"
#include "platform/errors.h"

namespace win {

namespace {

struct Message {
  DWORD code;
  std::string_view text;  // UTF-8, without the closing "。"
};

constexpr Message kMessages[] = {
    {ERROR_SUCCESS, "操作は正常に完了しました"},
    {ERROR_INVALID_FUNCTION, "この機能は正しくありません"},
    {ERROR_FILE_NOT_FOUND, "指定のファイルが見つかりません"},
    {ERROR_PATH_NOT_FOUND, "指定のパスが見つかりません"},
    {ERROR_TOO_MANY_OPEN_FILES, "開いているファイルが多すぎるため、ファイルを開けません"},
    {ERROR_ACCESS_DENIED, "アクセスが許可されていません"},
    {ERROR_INVALID_HANDLE, "ハンドルが正しくありません"},
    {ERROR_NOT_ENOUGH_MEMORY, "この操作に必要なメモリが足りません"},
    {ERROR_INVALID_DRIVE, "指定のドライブが見つかりません"},
    {ERROR_NOT_SAME_DEVICE, "別のディスク ドライブへは移動できません"},
    {ERROR_NO_MORE_FILES, "これ以上ファイルはありません"},
    {ERROR_WRITE_PROTECT, "メディアが書き込み禁止になっています"},
    {ERROR_BAD_UNIT, "指定のデバイスが見つかりません"},
    {ERROR_NOT_READY, "デバイスの準備ができていません"},
    {ERROR_GEN_FAILURE, "デバイスが正しく動作していません"},
    {ERROR_SHARING_VIOLATION, "ファイルは別のプロセスが使用中のため、アクセスできません"},
    {ERROR_HANDLE_DISK_FULL, "ディスクがいっぱいです"},
    {ERROR_FILE_EXISTS, "同じ名前のファイルが既にあります"},
    {ERROR_INVALID_PARAMETER, "パラメータが正しくありません"},
    {ERROR_DISK_FULL, "ディスクの空き領域が足りません"},
    {ERROR_INSUFFICIENT_BUFFER, "データを受け取る領域が小さすぎます"},
    {ERROR_INVALID_NAME, "ファイル名、フォルダ名またはボリューム ラベルの書き方が正しくありません"},
    {ERROR_MOD_NOT_FOUND, "指定のモジュールが見つかりません"},
    {ERROR_PROC_NOT_FOUND, "指定のプロシージャが見つかりません"},
    {ERROR_DIR_NOT_EMPTY, "フォルダが空ではありません"},
    {ERROR_ALREADY_EXISTS, "既にあるファイルと同じ名前のファイルは作成できません"},
    {ERROR_BAD_EXE_FORMAT, "実行できるプログラムの形式ではありません"},
    {ERROR_FILENAME_EXCED_RANGE, "ファイル名または拡張子が長すぎます"},
    {ERROR_MORE_DATA, "まだデータが残っています"},
    {ERROR_NO_MORE_ITEMS, "これ以上データはありません"},
    {ERROR_DIRECTORY, "フォルダ名が正しくありません"},
    {ERROR_BADDB, "レジストリのデータベースが壊れています"},
    {ERROR_CANTWRITE, "レジストリに書き込めませんでした"},
    {ERROR_KEY_DELETED, "削除の済んだレジストリ キーは操作できません"},
    {ERROR_IO_DEVICE, "デバイスの入出力エラーのため、要求を実行できませんでした"},
    {ERROR_CANT_RESOLVE_FILENAME, "ファイル名を解決できません"},
};

std::string GeneralText(DWORD code) {
  char text[96];
  std::snprintf(text, sizeof text, "システム エラー %u が発生しました",
                static_cast<unsigned>(code));
  return text;
}

}  // namespace

std::string SystemMessage(DWORD code) {
  std::string utf8;
  for (const Message& message : kMessages)
    if (message.code == code) utf8 = message.text;
  if (utf8.empty()) utf8 = GeneralText(code);
  return Utf8ToAnsi(utf8 + "。\r\n");
}

}  // namespace win
