// The files, shortcuts and folders of an uninstall run, and the setup folder itself.
#include "MainUnSetupRun.h"
#include "forms/message_box.h"
#include "setup/CusDlg.h"
#include "setup/MainShared.h"
#include "setup/MainTexts.h"
#include "setup/MainUnSetupTexts.h"

namespace setup::internal {

namespace {

using std::string;

// A DeleteFile or AddDeleteFile value: the path, and the comma with the four characters after it
// (the first two flags; the only ones the run looks at).
struct LoggedFile {
  string path, flags;
};

LoggedFile SplitLoggedFile(const string& value) {
  const std::size_t comma = value.find(',');
  if (comma == string::npos) return {value, ""};
  return {value.substr(0, comma), value.substr(comma, 5)};
}

bool HasFlag(const string& flags, const char* flag) { return PosText(flag, flags) != 0; }

string SharedQuestion(const string& path) {
  return path + "\r\r" + untexts::kSharedUnused + "\r" + untexts::kSharedLater + "\r" +
         untexts::kDeleteThisFile;
}

string ConfirmQuestion(const string& path) {
  return path + "\r\r" + untexts::kDeleteThisFile + "\r\r" + untexts::kAttention + "\r" +
         untexts::kLibrariesShared + "\r" + untexts::kOnlyWhenUnused;
}

string LibraryQuestion(const string& path) {
  return path + "\r\r" + untexts::kLibraryNotShared + "\r" + untexts::kLibraryLater + "\r" +
         untexts::kDeleteThisFile;
}

}  // namespace

// Each value from 1 up to the first empty one (or the first without a path).
void UnSetupRun::DeleteFiles(const char* section, bool reported) {
  for (const string& value : ReadFamily(state_.scriptCopy, section, "File")) {
    const LoggedFile file = SplitLoggedFile(value);
    if (file.path.empty()) return;
    const win::DWORD result = DeleteLoggedFile(file.path, file.flags);
    if (result != win::ERROR_SUCCESS && reported)
      Fail("<File> ", file.path, ErrorText(result) + "\r\n");
  }
}

// A counted library loses its count and goes (after a question) when no program uses it any
// more; an uncounted file goes as its flags say, libraries in the Windows or System folder only
// when the user agrees.
win::DWORD UnSetupRun::DeleteLoggedFile(const string& path, const string& flags) {
  if (SharedCount(path) != 0) {
    if (!HasFlag(flags, "/S")) return win::ERROR_SUCCESS;
    if (ChangeSharedCount(path, false) != 0) return win::ERROR_SUCCESS;
    return DeleteSharedFile(path);
  }
  if (HasFlag(flags, "/C")) {
    return Confirmed(ConfirmQuestion(path)) ? DeleteUnprotected(path, protect_)
                                            : win::ERROR_SUCCESS;
  }
  if (HasFlag(flags, "/L")) return win::ERROR_SUCCESS;
  if (HasFlag(flags, "/F")) return DeleteUnprotected(path, protect_);
  const bool systemFolder =
      PosText(state_.folders.windows, path) != 0 || PosText(state_.folders.system, path) != 0;
  if (IsControlFile(path) && systemFolder && !Confirmed(LibraryQuestion(path)))
    return win::ERROR_SUCCESS;
  return DeleteUnprotected(path, protect_);
}

// The custom dialog asks, unless the user already answered for all such files; an answer that
// never came keeps the file.
win::DWORD UnSetupRun::DeleteSharedFile(const string& path) {
  forms::TLabel* answer = main_.lblFormShare;
  if (answer->Caption() != "Delete" && answer->Caption() != "Save") {
    answer->SetCaption("");
    main_.frmCustomDlg->lblMessage->SetCaption(SharedQuestion(path));
    main_.frmCustomDlg->ShowModal();
  }
  const string& given = answer->Caption();
  if (given == "Delete" || given == "Yes") return DeleteUnprotected(path, protect_);
  return win::ERROR_SUCCESS;
}

bool UnSetupRun::Confirmed(const string& question) {
  return ShowMessageBox(question, uitexts::kDeleteFileCaption,
                        forms::MB_YESNO | forms::MB_ICONQUESTION) == forms::IDYES;
}

// Each shortcut, and its folder when that is left empty (never one of the system's folders).
void UnSetupRun::DeleteShortcuts() {
  for (const string& path : ReadFamily(state_.scriptCopy, "DeleteShortCut", "File")) {
    const win::DWORD result = DeleteUnprotected(path, protect_);
    if (result != win::ERROR_SUCCESS) Fail("<ShortCut> ", path, ErrorText(result) + "\r\n");
    const string folder = FolderPart(path);
    if (!protect_.Covers(folder)) DeleteFolderItems(folder, "", SetupMode::UnSetup);
  }
}

// From the last folder to the first, so that subfolders go before their parents. Folders inside
// the setup folder lose the files of the chosen patterns; others go only when empty.
void UnSetupRun::DeleteFolders() {
  const std::vector<string> folders = ReadFamily(state_.scriptCopy, "DeleteFolder", "Folder");
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    const string& folder = *it;
    if (protect_.Covers(folder)) continue;
    const bool inside = PosText(setupFolder_, folder) != 0;
    const win::DWORD result =
        DeleteFolderItems(folder, inside ? patterns_ : "", SetupMode::UnSetup);
    if (result == win::ERROR_SUCCESS || (inside && deleteAll_)) continue;
    Fail("<Folder> ", folder, ErrorText(result) + "\r\n");
  }
}

// Everything in it (delete-all), or the chosen patterns and then the folder when empty.
void UnSetupRun::DeleteSetupFolder() {
  if (protect_.Covers(setupFolder_)) return;
  const win::DWORD result =
      DeleteFolderItems(setupFolder_, deleteAll_ ? "*.*|" : patterns_, SetupMode::UnSetup);
  if (result == win::ERROR_SUCCESS) return;
  if (result != win::ERROR_DIR_NOT_EMPTY && result != win::ERROR_ACCESS_DENIED) {
    Fail("<SetupFolder> ", setupFolder_, ErrorText(result) + "\r\n");
    return;
  }
  const string reason = deleteAll_ ? untexts::kWholeFolderFailed : untexts::kFilesLeft;
  Fail("<SetupFolder> ", setupFolder_,
       reason + state_.setupWord + untexts::kFolderNotRemoved + "\r\n");
}

}  // namespace setup::internal
