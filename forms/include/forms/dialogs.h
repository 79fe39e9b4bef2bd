#pragma once
// The common dialogs: folder browser flags, and file-open and file-save dialog components that
// run through the Application.
#include <optional>
#include <string>

#include "forms/message_box.h"

namespace forms {

constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_DONTGOBELOWDOMAIN = 0x0002;
constexpr UINT BIF_STATUSTEXT = 0x0004;
constexpr UINT BIF_RETURNFSANCESTORS = 0x0008;
constexpr UINT BIF_BROWSEFORCOMPUTER = 0x1000;
constexpr UINT BIF_BROWSEFORPRINTER = 0x2000;

// Options of the file dialogs.
enum TOpenOption : unsigned {
  ofReadOnly = 0x1,
  ofOverwritePrompt = 0x2,
  ofHideReadOnly = 0x4,
  ofPathMustExist = 0x800,
  ofFileMustExist = 0x1000,
  ofEnableSizing = 0x800000,
};
using TOpenOptions = unsigned;

enum class FileDialogKind { Open, Save };

// What a file dialog shows and starts from. Filter: pairs of description and masks separated by
// "|", as in "Text|*.txt|All|*.*".
struct FileDialogSpec {
  std::string Title;
  std::string Filter;
  std::string InitialDir;
  std::string FileName;
  std::string DefaultExt;
  TOpenOptions Options = ofHideReadOnly | ofEnableSizing;
};

// A file dialog component: Execute shows it and, when the user chose a file, keeps the chosen
// Windows path in FileName and returns true. Cancel leaves FileName as it was.
class TFileDialog : public FileDialogSpec {
 public:
  explicit TFileDialog(FileDialogKind kind) : kind_(kind) {}
  bool Execute();

 private:
  FileDialogKind kind_;
};

class TOpenDialog : public TFileDialog {
 public:
  TOpenDialog() : TFileDialog(FileDialogKind::Open) {}
};

class TSaveDialog : public TFileDialog {
 public:
  TSaveDialog() : TFileDialog(FileDialogKind::Save) {}
};

}  // namespace forms
