// The copy phase of the install run: each CopyFile entry from the source folder to its target,
// with disk changes, expansion of compressed files, the overwrite rule, shared counts,
// registration and the progress bar.
#include <algorithm>

#include "MainFileTests.h"
#include "forms/application.h"
#include "forms/message_box.h"
#include "platform/fs.h"
#include "platform/lz.h"
#include "setup/MBUtils.h"
#include "setup/Main.h"
#include "setup/MainSetup.h"
#include "setup/MainSetupTexts.h"
#include "setup/MainShared.h"
#include "setup/Status.h"
#include "setup/uStrOp.h"

namespace setup {

namespace {

using internal::FileExists;
using std::string;

constexpr char kExpandFile[] = "EXPAND.DIZ";
constexpr char kAutoName[] = "AUTO.EXT";
constexpr win::WORD kReadShared = 0x10;  // OF_SHARE_EXCLUSIVE, for reading
constexpr win::WORD kCreate = 0x1000;    // OF_CREATE

// The DOS date and time of a file's last change as one number (date in the high word); 0 when it
// cannot be read.
std::uint32_t DosStamp(const string& path) {
  win::WORD date = 0, time = 0;
  if (!win::GetFileDosDateTime(path, date, time)) return 0;
  return (static_cast<std::uint32_t>(date) << 16) | time;
}

bool EndsInUnderscore(const string& path) {
  return !path.empty() && path.back() == '_' && !IsTrailByte(path, path.size());
}

}  // namespace

ExpandedFile ExpandLZFile(const string& source, const string& target, const string& tempFolder) {
  ExpandedFile expanded{tempFolder + kExpandFile, target};
  if (FileNamePart(target) == kAutoName) {
    string stored;
    win::GetExpandedNameA(source, stored);
    expanded.target = RemoveDelimiter(FolderPart(target), "B") + "\\" +
                      MapString(FileNamePart(stored), LCMAP_UPPERCASE);
  }
  if (internal::Exists(expanded.temporary)) DeletePath(expanded.temporary, SetupMode::Setup);
  const int in = win::LZOpenFileA(source, kReadShared);
  const int out = win::LZOpenFileA(expanded.temporary, kCreate);
  win::LZCopy(in, out);
  win::LZClose(in);
  win::LZClose(out);
  return expanded;
}

void TSetupRun::CopyFiles() {
  for (std::size_t n = 1; n <= script_.copyFiles.size(); ++n) {
    CopyEntry(ExpandPathMacros(state_.folders, script_.copyFiles[n - 1]));
    ShowProgress(n);
  }
}

void TSetupRun::CopyEntry(const string& value) {
  const CopyFileLine line = ParseCopyFile(value);
  string source = state_.folders.source + line.sourceName;
  string target = line.target;
  if (line.diskChange) ChangeDisk(source);
  if (!FileExists(source)) {
    ShowStatus(string(runtexts::kSkipping) + "\rSkipping -> " + target);
    CheckAbort();
    failures_.Add("<File> ", source, string(runtexts::kSourceMissing) + "\r\n");
    ++filesHandled_;
    return;
  }
  const bool expanded = EndsInUnderscore(source);
  if (expanded) {
    ExpandedFile made = ExpandLZFile(source, target, state_.folders.temp);
    source = made.temporary;
    target = made.target;
  }
  ShowStatus(string(runtexts::kCopying) + "\rCopying -> " + target);
  CheckAbort();
  bool copy = CopyDecision(source, target);
  if (line.shared) ChangeSharedCount(target, true);
  if (line.alwaysOverwrite) copy = true;
  const win::DWORD result = copy ? CopyOneFile(source, target) : win::ERROR_SUCCESS;
  ++filesHandled_;
  if (line.registerControl && internal::Exists(target))
    RegisterControl(target, true, SetupMode::Setup);
  if (result != win::ERROR_SUCCESS) {
    failures_.Add("<File> ", target, ErrorText(result));
  } else {
    log_.AddFile(target + line.flagText);
  }
  if (expanded) {
    DeletePath(source, SetupMode::Setup);
    source = state_.folders.source + line.sourceName;
  }
  if (sizeMode_) CountCopied(source);
}

// Asks for the next disk until the source is found there; a refusal ends the run.
void TSetupRun::ChangeDisk(const string& source) {
  ++diskNumber_;
  do {
    const int answer = ShowMessageBox(std::to_string(diskNumber_) + runtexts::kChangeDisk,
                                      runtexts::kChangeDiskCaption,
                                      forms::MB_OKCANCEL | forms::MB_ICONINFORMATION);
    if (answer == forms::IDCANCEL) {
      ShowMessageBox(state_.setupWord + runtexts::kCouldNotContinue, runtexts::kFatal,
                     forms::MB_OK | forms::MB_ICONSTOP);
      EndAsCancelled();
    }
  } while (!FileExists(source));
}

// An existing target is replaced when the user agrees, or, with the overwrite choice on, only by
// a source changed later than it.
bool TSetupRun::CopyDecision(const string& source, const string& target) {
  if (!internal::Exists(target)) return true;
  if (overwrite_) return DosStamp(source) > DosStamp(target);
  const string question = target + "\r\r" + runtexts::kAlreadyExists + "\r" + runtexts::kOverwrite;
  return ShowMessageBox(question, runtexts::kOverwriteCaption,
                        forms::MB_YESNO | forms::MB_ICONQUESTION) == forms::IDYES;
}

void TSetupRun::CountCopied(const string& source) {
  win::WIN32_FILE_ATTRIBUTE_DATA data;
  if (!win::GetFileAttributesExA(source, data)) {
    sizeMode_ = false;
    ShowMessageBox(runtexts::kSizeUnknown, runtexts::kInternalError,
                   forms::MB_OK | forms::MB_ICONWARNING);
    return;
  }
  const auto size = static_cast<std::int64_t>(data.FileSize());
  copiedSize_ += size == 0 ? 1 : size;
}

void TSetupRun::ShowProgress(std::size_t n) {
  const std::int64_t position = sizeMode_
                                    ? copiedSize_ * 100 / std::max<std::int64_t>(totalSize_, 1)
                                    : static_cast<std::int64_t>(n * 100 / entryCount_);
  // the bar keeps its position within 0 to 100
  status_.prgStatus->SetPosition(static_cast<int>(std::min<std::int64_t>(position, 100)));
  status_.lblStatus->SetCaption(std::to_string(status_.prgStatus->Position()) + "%(" +
                                std::to_string(filesHandled_) + "/" + std::to_string(entryCount_) +
                                ")");
  forms::App().ProcessMessages();
  CheckAbort();
  Pause();
}

}  // namespace setup
