// The install run: start, counting, the checks of disk space and setup folder, the folders, the
// uninstall entries of the script, the log, the failure summary and the completion.
#include "setup/MainSetup.h"

#include "forms/application.h"
#include "forms/message_box.h"
#include "platform/fs.h"
#include "platform/shell.h"
#include "setup/Back.h"
#include "setup/Main.h"
#include "setup/MainSetupTexts.h"
#include "setup/MainTexts.h"
#include "setup/Status.h"
#include "setup/uStrOp.h"

namespace setup {

namespace {

using std::string;

constexpr unsigned kQuestion = forms::MB_YESNO | forms::MB_ICONQUESTION;        // 0x24
constexpr unsigned kStop = forms::MB_OK | forms::MB_ICONSTOP;                   // 0x10
constexpr unsigned kWarningBox = forms::MB_OK | forms::MB_ICONWARNING;          // 0x30
constexpr unsigned kWarningQuestion = forms::MB_YESNO | forms::MB_ICONWARNING;  // 0x34
constexpr unsigned kInformation = forms::MB_OK | forms::MB_ICONINFORMATION;     // 0x40

// The run ends here: after an abort, or as cancelled once its messages are shown.
struct RunEnded {};

// "C:" of "C:\Program Files\Sample\"; empty for a path without a drive letter.
string DrivePart(const string& path) {
  return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : string();
}

// The size a file adds to the sums of the run (an empty file counts as one byte), or -1 when it
// cannot be looked up.
std::int64_t CountedSize(const string& path) {
  win::WIN32_FILE_ATTRIBUTE_DATA data;
  if (!win::GetFileAttributesExA(path, data)) return -1;
  const auto size = static_cast<std::int64_t>(data.FileSize());
  return size == 0 ? 1 : size;
}

// The source a CopyFile value names before expansion: the file name of the text before its first
// comma and then before its first "|". A macro directly followed by the name leaves no separator,
// and the whole text is taken as the name.
string CountedSource(const string& sourceFolder, const string& value) {
  string text = value;
  if (std::size_t comma = PosText(",", text)) text = LeftStr(text, comma - 1);
  if (std::size_t bar = PosText("|", text)) text = LeftStr(text, bar - 1);
  return sourceFolder + FileNamePart(text);
}

}  // namespace

void FailureReport::Add(std::string_view tag, const string& path, const string& errorText) {
  text.append(tag).append(path).append("\r\n").append(errorText).append("\r\n");
  ++count;
}

void TfrmMain::DoSetup() { TSetupRun(*this).Execute(); }

TSetupRun::TSetupRun(TfrmMain& main)
    : main_(main),
      status_(*main.frmStatus),
      state_(main.State),
      script_(ReadSetupScript(main.State.scriptCopy)) {}

void TSetupRun::Execute() {
  try {
    Start();
    ShowStatus(state_.setupWord + runtexts::kMakingInfo);
    relate_ = RelateTable(script_);
    Pause();
    CountFiles();
    if (sizeMode_) CheckDiskSpace();
    CheckSetupFolder();
    PrepareLog();
    status_.btnAbort->SetEnabled(true);
    MakeFolders();
    status_.fraStatus->Show();
    CopyFiles();
    status_.fraStatus->Hide();
    log_.AddFile(log_.LogPath());
    MakeShortcuts();
    WriteRegistry();
    WriteIniFiles();
    RecordScriptDeletions();
    MakeAssociations();
    WriteLog();
    ReportFailures();
    Complete();
    End();
  } catch (const RunEnded&) {
    // the windows are closing already
  }
}

void TSetupRun::Start() {
  overwrite_ = main_.chkOverWrite->Checked();
  choices_ = {main_.chkSCutDesktop->Checked(), main_.chkSCutStartMenu->Checked(),
              main_.chkSCutStartUp->Checked(), main_.chkSCutSendTo->Checked()};
  main_.Hide();
  forms::App().ProcessMessages();
  forms::App().Sleep(500);
  status_.Show();
  main_.btnEnd->Hide();
  main_.btnEvent->SetLeft((main_.ClientWidth() - main_.btnEvent->Width()) / 2);
  ShowStatus(state_.setupWord + runtexts::kStarting);
  forms::App().Sleep(1000);
}

// Sums the sizes of the sources that are in the source folder now; a source that is not (on a
// later disk, or named without a separator) switches the progress to counting entries.
void TSetupRun::CountFiles() {
  ShowStatus(state_.setupWord + runtexts::kCheckingSize);
  CheckAbort();
  Pause();
  for (const string& value : script_.copyFiles) {
    ++entryCount_;
    const std::int64_t size = CountedSize(CountedSource(state_.folders.source, value));
    if (size < 0) {
      sizeMode_ = false;
    } else {
      totalSize_ += size;
    }
  }
}

void TSetupRun::CheckDiskSpace() {
  ShowStatus(runtexts::kCheckingFreeSpace);
  const string drive = DrivePart(main_.txtFolder->Text());
  DiskSpace free = FreeDiskSpaceEx(drive);
  if (!free.ok) free = FreeDiskSpace(drive);
  if (free.bytes <= totalSize_) {
    const string& word = state_.setupWord;
    const string question =
        free.ok
            ? string(runtexts::kSpaceShort) + "\r" + runtexts::kContinueThis + word +
                  runtexts::kContinueQuestion
            : string(runtexts::kSpaceQueryFailed) + "\r" + word + runtexts::kRequiredSpace +
                  std::to_string(totalSize_) + runtexts::kBytes + "\r" + runtexts::kIfSpaceLeft +
                  word + runtexts::kPleaseContinue + "\r\r" + word + runtexts::kContinueQuestion;
    if (ShowMessageBox(question, runtexts::kSpaceCaption, kQuestion) != forms::IDYES) {
      ShowMessageBox(word + runtexts::kCouldNotContinue, runtexts::kSetupStopped, kStop);
      EndAsCancelled();
    }
  }
  Pause();
}

void TSetupRun::CheckSetupFolder() {
  const string& word = state_.setupWord;
  ShowStatus(word + runtexts::kCheckingFolder);
  CheckAbort();
  setupFolder_ = AddDelimiter(main_.txtFolder->Text(), "B");
  SetSetupFolder(state_.folders, setupFolder_);
  if (FolderExists(setupFolder_)) return;
  const string question = setupFolder_ + "\r\r" + runtexts::kFolderMissing;
  if (ShowMessageBox(question, runtexts::kMakeFolderCaption, kQuestion) == forms::IDYES) {
    if (ForceFolder(setupFolder_)) return;
    ShowMessageBox(word + runtexts::kFolderNotMade + "\r\r" + runtexts::kReportToAuthor,
                   runtexts::kFatal, kStop);
  }
  ShowMessageBox(word + runtexts::kCouldNotContinue, word + runtexts::kStopped, kStop);
  EndAsCancelled();
}

void TSetupRun::PrepareLog() {
  SetSetupRoot(state_.folders);
  log_.Prepare(setupFolder_, state_.workFolder);
}

// One level per entry; a folder that is there already is recorded for removal like a new one.
void TSetupRun::MakeFolders() {
  for (const string& value : script_.makeFolders) {
    const string folder = MakeFolderPath(value, state_.folders);
    ShowStatus(string(runtexts::kCreatingFolder) + "\rCreating -> " + folder);
    CheckAbort();
    if (win::CreateDirectoryA(folder) || win::GetLastError() == win::ERROR_ALREADY_EXISTS) {
      log_.AddFolder(folder);
    } else {
      failures_.Add("<Folder> ", folder, ErrorText(win::GetLastError()));
    }
    Pause();
  }
}

void TSetupRun::RecordScriptDeletions() {
  for (const string& key : script_.deleteRegistry) log_.AddRegistryKey(key);
  for (const string& file : script_.addDeleteFiles)
    log_.AddAdditionalFile(ExpandPathMacros(state_.folders, file));
}

void TSetupRun::WriteLog() {
  LogStatus status;
  status.showMessage = [this](const string& message) { ShowStatus(message); };
  status.disableAbort = [this] { status_.btnAbort->SetEnabled(false); };
  const LogWriteResult written = log_.Write(UninstallLogRunOf(state_, script_), status);
  failures_.text += written.failures;
  failures_.count += written.failureCount;
}

void TSetupRun::ReportFailures() {
  if (failures_.count == 0) return;
  ShowStatus(state_.setupWord + runtexts::kPartlyFailed);
  const string question = string(runtexts::kSomeStepsFailed) + "\r" + runtexts::kShowDetails;
  if (ShowMessageBox(question, uitexts::kWarning, kWarningQuestion) == forms::IDYES)
    ShowFailureDetails();
}

// The failure report on the read-me page of the main window until the user presses "続行(&C)".
void TSetupRun::ShowFailureDetails() {
  main_.txtReadme->SetText("");
  main_.txtReadme->SetText(failures_.text);
  main_.btnEvent->SetCaption(uitexts::kContinue);
  main_.btnEvent->SetEnabled(true);
  main_.fraReadme->SetCaption(runtexts::kDetailsTitle);
  main_.ShowReadmePage(true);
  main_.Show();
  status_.Hide();
  forms::Application& app = forms::App();
  // An application that is ending (the program was interrupted) or whose input has ended takes
  // no more presses.
  do {
    app.Sleep(200);
    app.ProcessMessages();
  } while (main_.btnEvent->Enabled() && !app.Terminated() && !app.UserInputEnded());
  main_.Hide();
  app.ProcessMessages();
  app.Sleep(500);
  status_.Show();
}

void TSetupRun::Complete() {
  if (script_.executeFile == "WINDOWS_REBOOT") {
    main_.RestartRequested = true;
    return;
  }
  string message = state_.setupWord + runtexts::kCompleted;
  ShowStatus(message);
  if (!IsSetupOnly(state_.unSetupTitle)) {
    message += string("\r\r") + runtexts::kOfProgram + state_.unSetupWord + runtexts::kTopicIs +
               "\r" + runtexts::kFromAddRemove;
  }
  ShowMessageBox(message, runtexts::kCompletedCaption, kInformation);
  if (!script_.executeFile.empty()) StartExecuteFile();
}

void TSetupRun::StartExecuteFile() {
  const ExecuteFile execute = ParseExecuteFile(script_.executeFile, state_.folders);
  const int started =
      win::ShellExecuteA("open", execute.program, execute.parameters, "", win::SW_SHOWNORMAL);
  if (started > 32) return;
  ShowMessageBox(string(runtexts::kStartFailed) + "\r" + runtexts::kScriptMistake + "\r" +
                     runtexts::kReportToProvider,
                 uitexts::kWarning, kWarningBox);
}

void TSetupRun::End() {
  main_.frmBack->SetEnabled(true);
  status_.Close();
  main_.SetModalResult(forms::mrOk);
}

void TSetupRun::ShowStatus(const string& message) {
  status_.lblMessage->SetCaption(message);
  forms::App().ProcessMessages();
}

void TSetupRun::CheckAbort() {
  if (!main_.Enabled()) throw RunEnded{};
}

void TSetupRun::Pause() { forms::App().Sleep(static_cast<win::DWORD>(state_.stepPause)); }

void TSetupRun::EndAsCancelled() {
  main_.frmBack->SetEnabled(true);
  main_.SetModalResult(forms::mrOk);
  throw RunEnded{};
}

}  // namespace setup
