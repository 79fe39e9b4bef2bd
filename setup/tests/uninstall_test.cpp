// The uninstall run from hand-written logs: every step, the shared-file and confirmation
// questions, the failure report with its details page, and the end of the program.
#include <gtest/gtest.h>

#include "platform/profile.h"
#include "setup/MainUnSetupTexts.h"
#include "setup/Status.h"
#include "uninstall_fixture.h"

namespace setup {
namespace {

using forms::IDNO;
using forms::IDYES;
using win::HKEY;

std::string Folder(int csidl) {
  std::string path;
  EXPECT_TRUE(win::SpecialFolderPath(csidl, path));
  return path + "\\";
}
const std::string kWindows = win::GetWindowsDirectoryA() + "\\";
const std::string kSystem = win::GetSystemDirectoryA() + "\\";
constexpr char kSharedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

bool HasSharedCount(const std::string& path) {
  win::RegKey key;
  return win::RegKey::Open(HKEY::LocalMachine, kSharedKey, key) == 0 && key.HasValue(path);
}

TEST_F(UninstallTest, ARunUndoesEveryKindOfEntryAndEndsTheProgram) {
  const std::string programs = Folder(win::CSIDL_PROGRAMS);
  const std::string shortcut = programs + "Sample\\Sample.lnk";
  const std::string library = kSystem + "SAMPLE.DLL";
  for (const std::string& file :
       {std::string(kSetupFolder) + "SAMPLE.EXE", std::string(kSetupFolder) + "Data\\DATA.DAT",
        std::string(kSetupFolder) + "RUN.LOG", library, shortcut, kWindows + "ZUREVAZ.EXE"})
    WriteFile(file, "x");
  SetSharedCount(library, 1);
  MakeKey(HKEY::LocalMachine, "SOFTWARE\\Sample\\Viewer");
  MakeKey(HKEY::ClassesRoot, ".smp", "smp_auto_file");
  MakeKey(HKEY::ClassesRoot, "smp_auto_file\\shell\\open\\command", "viewer %1");
  MakeKey(HKEY::LocalMachine, kUninstallKey, "Sample");
  WriteIni(kWindows + "ORVAN98.INI",
           {"[SampleID]", "Folder=C:\\Program Files\\Sample\\", "[Other]", "Folder=C:\\Other\\"});
  WriteLog({"[DeleteFolder]", "Folder1=C:\\Program Files\\Sample\\Data\\", "[DeleteFile]",
            "File1=C:\\Program Files\\Sample\\SAMPLE.EXE",
            "File2=C:\\Program Files\\Sample\\Data\\DATA.DAT", "File3=" + library + ",/S",
            "File4=" + std::string(kLog), "[DeleteShortCut]", "File1=" + shortcut,
            "[DeleteRegistry]", "Key1=(Local)SOFTWARE\\Sample", "[AddDeleteFile]",
            "File1=C:\\Program Files\\Sample\\*.LOG", "[RestoreRelate]", "Key1=smp,OldViewer",
            "[UnSetupRegistryKey]", std::string("Key=") + kUninstallKey, "[ProgramID]",
            "ID=SampleID"});
  std::string question;
  Uninstall({}, {[&] {
              question = Dialog().lblMessage->Caption();
              Press (&TfrmCustomDlg::btnYes)();
            }});

  EXPECT_EQ(question,
            library + A("\r\rこの共有ファイルは，現在，他のどのプログラムからも使われていません．\r"
                        "しかし，今後，他のプログラムで使われる可能性があります．\r"
                        "このファイルを削除してもよろしいですか？"));
  EXPECT_FALSE(Exists(kSetupFolder)) << "the setup folder goes once it is empty";
  EXPECT_FALSE(Exists(library));
  EXPECT_FALSE(HasSharedCount(library));
  EXPECT_FALSE(Exists(programs + "Sample\\")) << "the shortcut's own folder, left empty";
  EXPECT_TRUE(Exists(programs));
  EXPECT_TRUE(Exists(kWindows + "ZUREVAZ.EXE")) << "the uninstaller serves other programs";
  EXPECT_FALSE(KeyExists(HKEY::LocalMachine, "SOFTWARE\\Sample"));
  EXPECT_EQ(DefaultValue(HKEY::ClassesRoot, ".smp"), "OldViewer");
  EXPECT_FALSE(KeyExists(HKEY::ClassesRoot, "smp_auto_file"));
  EXPECT_FALSE(KeyExists(HKEY::LocalMachine, kUninstallKey));
  EXPECT_TRUE(
      KeyExists(HKEY::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
  const std::string record = kWindows + "ORVAN98.INI";
  EXPECT_FALSE(win::GetPrivateProfileValue("SampleID", "Folder", record.c_str()));
  EXPECT_EQ(win::GetPrivateProfileValue("Other", "Folder", record.c_str()), "C:\\Other\\");

  // No failure: no question about details, only the completion.
  ASSERT_EQ(app->MessageBoxes().size(), 1u);
  const auto& done = app->MessageBoxes()[0];
  EXPECT_EQ(done.text, A("アンインストールを完了しました．"));
  EXPECT_EQ(done.caption, A("完了"));
  EXPECT_EQ(done.flags, forms::MB_OK | forms::MB_ICONINFORMATION);
  TfrmMain& m = Main();
  EXPECT_EQ(forms_.frmStatus->lblMessage->Caption(), done.text);
  EXPECT_TRUE(forms_.frmStatus->Visible());
  EXPECT_FALSE(forms_.frmStatus->btnAbort->Enabled()) << "the run cannot be aborted";
  EXPECT_FALSE(m.Visible());
  EXPECT_FALSE(m.btnEnd->Visible());
  EXPECT_EQ(m.btnEvent->Left(), (489 - 161) / 2);
  for (const forms::TCheckBox* box :
       {m.chkSCutDesktop, m.chkSCutStartMenu, m.chkSCutStartUp, m.chkSCutSendTo})
    EXPECT_FALSE(box->Enabled()) << box->Name();
  EXPECT_TRUE(forms_.frmBack->Enabled());
  EXPECT_FALSE(Exists(m.State.workFolder)) << "the main window closed";
  EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), *win::HostPath(Temp())))
      << "no folder about to be removed stays in use";
}

// A counted shared library loses one use; when no program uses it any more the custom dialog
// asks, and "delete all" or "keep all" answer for every later such file.
TEST_F(UninstallTest, SharedLibrariesGoAsTheCountsAndTheRememberedAnswerSay) {
  using Button = forms::TButton* TfrmCustomDlg::*;
  struct Case {
    const char* name;
    std::vector<Button> answers;  // one per question asked
    std::vector<bool> deleted;    // LIB1 to LIB5
    const char* remembered;       // lblFormShare at the end
  } cases[] = {
      {"yes, no, then delete all",
       {&TfrmCustomDlg::btnYes, &TfrmCustomDlg::btnNo, &TfrmCustomDlg::btnDelete},
       {true, false, true, true, true},
       "Delete"},
      {"keep all at once", {&TfrmCustomDlg::btnSave}, {false, false, false, false, false}, "Save"},
      {"no answer at all", {}, {false, false, false, false, false}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = {"[DeleteFile]", "File6=" + std::string(kLog)};
    for (int i = 1; i <= 5; ++i) {
      const std::string library = kSystem + "LIB" + std::to_string(i) + ".DLL";
      WriteFile(library, "x");
      SetSharedCount(library, 1);
      lines.push_back("File" + std::to_string(i) + "=" + library + ",/S/R");
    }
    WriteLog(lines);
    Start();
    int asked = 0;
    Dialog().OnShow = [&] { ++asked; };
    std::vector<std::function<void()>> steps;
    for (Button b : c.answers) steps.push_back(Press(b));
    Uninstall({}, steps);
    EXPECT_EQ(asked, c.answers.empty() ? 5 : static_cast<int>(c.answers.size()));
    for (int i = 1; i <= 5; ++i) {
      const std::string library = kSystem + "LIB" + std::to_string(i) + ".DLL";
      EXPECT_EQ(!Exists(library), c.deleted[i - 1]) << library;
      EXPECT_FALSE(HasSharedCount(library)) << library;
    }
    EXPECT_EQ(Main().lblFormShare->Caption(), c.remembered);
    EXPECT_EQ(Captions(), std::vector<std::string>{A("完了")});
  }
}

// Files without a count go as their first two flags say; libraries in the Windows or System
// folder only after a question.
TEST_F(UninstallTest, FlagsAndFoldersDecideQuestionsAndDeletions) {
  enum Question { None, Confirm, Library };
  struct Case {
    std::string path, flags;
    win::DWORD count;  // under SharedDLLs before the run
    Question question;
    int answer;
    bool deleted;
    win::DWORD countAfter;
  } cases[] = {
      {std::string(kSetupFolder) + "README.TXT", "", 0, None, 0, true, 0},
      {std::string(kSetupFolder) + "SAMPLE.DLL", "", 0, None, 0, true, 0},
      {kSystem + "SYS.DLL", "", 0, Library, IDYES, true, 0},
      {kSystem + "SYS.OCX", "", 0, Library, IDNO, false, 0},
      {kWindows + "WIN.DLL", "", 0, Library, IDNO, false, 0},
      {std::string(kSetupFolder) + "ASK1.TXT", ",/C", 0, Confirm, IDYES, true, 0},
      {std::string(kSetupFolder) + "ASK2.TXT", ",/c/F", 0, Confirm, IDNO, false, 0},
      {std::string(kSetupFolder) + "LEAVE.TXT", ",/L", 0, None, 0, false, 0},
      {kSystem + "LEAVE.DLL", ",/L/C", 0, Confirm, IDNO, false, 0},
      {kSystem + "KEEP.DLL", ",/L", 0, None, 0, false, 0},
      {kSystem + "FORCE.DLL", ",/F", 0, None, 0, true, 0},
      {kSystem + "LATE.DLL", ",/W/R/S", 2, None, 0, false, 2},  // "/S" is the third flag
      {kSystem + "USED.DLL", ",/S", 3, None, 0, false, 2},
      {kSystem + "NOTLOGGED.DLL", "", 1, None, 0, false, 1},
  };
  std::vector<std::string> lines = {"[DeleteFile]"};
  std::vector<int> answers;
  int n = 0;
  for (const Case& c : cases) {
    WriteFile(c.path, "x");
    if (c.count) SetSharedCount(c.path, c.count);
    if (c.answer) answers.push_back(c.answer);
    lines.push_back("File" + std::to_string(++n) + "=" + c.path + c.flags);
  }
  lines.push_back("File" + std::to_string(++n) + "=" + kLog);
  WriteLog(lines);
  answers.push_back(IDNO);  // no details about the setup folder, which keeps the files left
  Uninstall(answers);

  std::vector<forms::TestApplication::MessageBoxCall> boxes = app->MessageBoxes();
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(boxes.back().caption, A("完了"));
  boxes.pop_back();
  EXPECT_EQ(boxes.back().caption, A("警告"));
  boxes.pop_back();
  std::size_t next = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + c.flags);
    EXPECT_EQ(!Exists(c.path), c.deleted);
    win::RegKey key;
    win::DWORD count = 0;
    if (win::RegKey::Open(HKEY::LocalMachine, kSharedKey, key) == 0) key.QueryDword(c.path, count);
    EXPECT_EQ(count, c.countAfter);
    if (c.question == None) continue;
    ASSERT_LT(next, boxes.size());
    const auto& box = boxes[next++];
    const std::string expected =
        c.question == Confirm ? A("\r\rこのファイルを削除してもよろしいですか？\r\r<<　注意　>>\r"
                                  "DLL/OCXなどは他のプログラムでも使用される可能性があります．\r"
                                  "確実に使用されないことがわかっている場合のみ削除してください．")
                              : A("\r\rこのDLL/OCXファイルは，共有登録されていませんが，\r"
                                  "今後，他のプログラムで使われる可能性があります．\r"
                                  "このファイルを削除してもよろしいですか？");
    EXPECT_EQ(box.text, c.path + expected);
    EXPECT_EQ(box.caption, A("ファイル削除の確認"));
    EXPECT_EQ(box.flags, forms::MB_YESNO | forms::MB_ICONQUESTION);
  }
  EXPECT_EQ(next, boxes.size());
}

// Every failed file, shortcut, folder and setup-folder step is reported; the details page shows
// the report until the user goes on.
TEST_F(UninstallTest, FailuresAreReportedAndShownOnTheDetailsPage) {
  MakeFolder("C:\\Other\\Busy\\");
  WriteFile(std::string(kSetupFolder) + "KEPT.DAT", "not in the log");
  const std::string shortcut = Folder(win::CSIDL_DESKTOPDIRECTORY) + "Gone.lnk";
  const std::vector<std::string> log = {"[DeleteFolder]",
                                        "Folder1=C:\\Other\\",
                                        "[DeleteFile]",
                                        "File1=C:\\Program Files\\Sample\\GONE.EXE",
                                        "File2=" + std::string(kLog),
                                        "[AddDeleteFile]",
                                        "File1=C:\\Program Files\\Sample\\GONE.TXT",
                                        "[DeleteShortCut]",
                                        "File1=" + shortcut};
  const std::string report =
      "<File> C:\\Program Files\\Sample\\GONE.EXE\r\n" + ErrorText(2) + "\r\n" + "<ShortCut> " +
      shortcut + "\r\n" + ErrorText(2) + "\r\n" + "<Folder> C:\\Other\\\r\n" + ErrorText(145) +
      "\r\n" + "<SetupFolder> C:\\Program Files\\Sample\\\r\n" +
      A("フォルダにファイルが残っているため，インストールフォルダを削除できませんでした．"
        "エクスプローラなどから，直接削除してください．\r\n");

  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer);
    WriteLog(log);
    Start();
    TfrmMain& m = Main();
    bool detailsSeen = false;
    app->OnProcessMessages = [&] {
      if (!m.Visible() || !m.fraReadme->Visible() || !m.btnEvent->Enabled()) return;
      detailsSeen = true;
      EXPECT_FALSE(forms_.frmStatus->Visible());
      EXPECT_EQ(m.txtReadme->Text(), report);
      EXPECT_EQ(m.txtReadme->ScrollBars(), forms::ssVertical);
      EXPECT_EQ(m.fraReadme->Caption(), A("削除処理失敗　詳細表示"));
      EXPECT_EQ(m.btnEvent->Caption(), A("続行(&C)"));
      EXPECT_FALSE(m.grpMessage->Visible());
      EXPECT_EQ(m.btnEvent->UserClick(), forms::InputResult::Done);
    };
    Uninstall({answer});
    EXPECT_EQ(detailsSeen, answer == IDYES);
    ASSERT_EQ(Captions(), (std::vector<std::string>{A("警告"), A("完了")}));
    const auto& question = app->MessageBoxes()[0];
    EXPECT_EQ(question.text, A("アンインストールの過程で，一部の処理が失敗しました．\r"
                               "詳細を表示しますか？"));
    EXPECT_EQ(question.flags, forms::MB_YESNO | forms::MB_ICONWARNING);
    const std::vector<win::DWORD>& sleeps = app->Sleeps();
    if (answer == IDYES) {
      ASSERT_GE(sleeps.size(), 2u);
      EXPECT_EQ(sleeps.front(), 200u);
      EXPECT_EQ(sleeps.back(), 500u);
      EXPECT_FALSE(m.btnEvent->Enabled());
    } else {
      EXPECT_TRUE(sleeps.empty());
    }
    EXPECT_TRUE(forms_.frmStatus->Visible());
    EXPECT_FALSE(m.Visible());
    EXPECT_TRUE(Exists("C:\\Other\\Busy\\"));
    EXPECT_TRUE(Exists(std::string(kSetupFolder) + "KEPT.DAT"));
  }
}

// Folders go from the last to the first; inside the setup folder they lose the files of the
// chosen patterns, and delete-all takes the whole setup folder.
TEST_F(UninstallTest, FoldersGoLastFirstWithTheChosenPatterns) {
  struct Case {
    const char* option;
    bool uncheckFirst;  // the user clears the first box before starting
    std::vector<const char*> kept;
    std::vector<std::string> captions;
  } cases[] = {
      {"1,1,0,0", false, {}, {A("完了")}},
      {"1,0,1,1", false, {"Data\\HELP.GID", "HELP.GID"}, {A("警告"), A("完了")}},
      {"0,0,0,0",
       false,
       {"Data\\DATA.INI", "Data\\HELP.GID", "SAMPLE.INI"},
       {A("警告"), A("完了")}},
      {"DeleteAll", false, {}, {A("完了")}},
      {"DeleteAll", true, {"Data\\DATA.INI", "SAMPLE.INI", "NOTES\\A.TXT"}, {A("警告"), A("完了")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option) + (c.uncheckFirst ? " unchecked" : ""));
    const std::string all = std::string(c.option) == "DeleteAll" ? "NOTES\\A.TXT" : "";
    for (const char* file : {"Data\\DATA.INI", "Data\\HELP.GID", "SAMPLE.INI", "HELP.GID"})
      WriteFile(std::string(kSetupFolder) + file, "x");
    if (!all.empty()) WriteFile(std::string(kSetupFolder) + all, "not in the log");
    MakeFolder("C:\\Other\\Parent\\Child\\");
    WriteLog({"[DeleteFolder]", "Folder1=C:\\Other\\Parent\\", "Folder2=C:\\Other\\Parent\\Child\\",
              "Folder3=C:\\Program Files\\Sample\\Data\\", "[DeleteFile]",
              "File1=" + std::string(kLog), "[UnSetupOption]",
              std::string("CheckBox=") + c.option});
    Start();
    if (c.uncheckFirst) app->QueueStep([this] { Main().chkSCutDesktop->SetChecked(false); });
    Uninstall(c.captions.size() > 1 ? std::vector<int>{IDNO} : std::vector<int>{});
    EXPECT_EQ(Captions(), c.captions);
    EXPECT_FALSE(Exists("C:\\Other\\Parent\\")) << "the child went before its parent";
    for (const char* file : c.kept) EXPECT_TRUE(Exists(std::string(kSetupFolder) + file)) << file;
    EXPECT_EQ(Exists(kSetupFolder), !c.kept.empty());
    std::filesystem::remove_all(*win::HostPath(kSetupFolder));
  }
}

TEST_F(UninstallTest, ShortcutFoldersGoWhenLeftEmptyButNeverTheSystemsOwn) {
  const std::string programs = Folder(win::CSIDL_PROGRAMS);
  const std::string desktop = Folder(win::CSIDL_DESKTOPDIRECTORY);
  const std::string startMenu = Folder(win::CSIDL_STARTMENU);
  for (const std::string& file :
       {programs + "Sample\\Sample.lnk", programs + "Shared\\One.lnk", programs + "Shared\\Two.lnk",
        programs + "Direct.lnk", desktop + "Sample.lnk", startMenu + "Menu.lnk"})
    WriteFile(file, "x");
  std::filesystem::remove_all(*win::HostPath(programs + "StartUp"));  // Programs alone
  WriteLog({"[DeleteShortCut]", "File1=" + programs + "Sample\\Sample.lnk",
            "File2=" + programs + "Shared\\One.lnk", "File3=" + programs + "Direct.lnk",
            "File4=" + desktop + "Sample.lnk", "File5=" + startMenu + "Menu.lnk", "[DeleteFile]",
            "File1=" + std::string(kLog)});
  Uninstall();
  EXPECT_FALSE(Exists(programs + "Sample\\"));
  EXPECT_TRUE(Exists(programs + "Shared\\Two.lnk"));
  EXPECT_FALSE(Exists(programs + "Shared\\One.lnk"));
  EXPECT_FALSE(Exists(programs + "Direct.lnk"));
  EXPECT_FALSE(Exists(desktop + "Sample.lnk"));
  EXPECT_FALSE(Exists(startMenu + "Menu.lnk"));
  for (const std::string& kept : {programs, desktop, startMenu})
    EXPECT_TRUE(Exists(kept)) << kept << " is the system's, even when empty";
  EXPECT_EQ(Captions(), std::vector<std::string>{A("完了")});
}

TEST_F(UninstallTest, RegistryKeysAndAssociationsAreDeletedOrRestored) {
  MakeKey(HKEY::LocalMachine, "SOFTWARE\\Sample\\Sub");
  MakeKey(HKEY::LocalMachine, "SOFTWARE\\Other");
  MakeKey(HKEY::CurrentUser, "Software\\NoMacro\\Sub");
  MakeKey(HKEY::ClassesRoot, "Sample.Document");
  MakeKey(HKEY::Users, ".Default\\Software\\Sample");
  MakeKey(HKEY::CurrentUser, "Software\\Kept");
  struct Relate {
    const char* value;
    const char* ext;
    const char* before;  // default of ".ext" before, nullptr: no key
    const char* after;   // nullptr: the key is gone
    bool classKept;
  } relates[] = {
      {"Key1=smp,", "smp", "smp_auto_file", nullptr, false},
      {"Key2=abc,abc_auto_file", "abc", "abc_auto_file", "abc_auto_file", true},
      {"Key3=xyz,Old.Xyz", "xyz", "xyz_auto_file", "Old.Xyz", false},
      {"Key4=gon,Old.Gon", "gon", nullptr, nullptr, false},
      {"Key5=ABC2,abc2_AUTO_FILE", "ABC2", "x", "abc2_AUTO_FILE", true},
  };
  std::vector<std::string> lines = {"[DeleteRegistry]",
                                    "Key1=(Local)SOFTWARE\\Sample",
                                    "Key2=Software\\NoMacro",
                                    "Key3=(Class)Sample.Document",
                                    "Key4=(Users).Default\\Software\\Sample",
                                    "Key5=",
                                    "Key6=Software\\Kept",
                                    "[RestoreRelate]"};
  for (const Relate& r : relates) {
    if (r.before) MakeKey(HKEY::ClassesRoot, std::string(".") + r.ext, r.before);
    MakeKey(HKEY::ClassesRoot, std::string(r.ext) + "_auto_file\\shell");
    lines.push_back(r.value);
  }
  MakeKey(HKEY::LocalMachine, kUninstallKey);
  lines.insert(lines.end(),
               {"Key6=", "Key7=late,", "[UnSetupRegistryKey]", std::string("Key=") + kUninstallKey,
                "[DeleteFile]", "File1=" + std::string(kLog)});
  MakeKey(HKEY::ClassesRoot, ".late", "late_auto_file");
  WriteLog(lines);
  Uninstall();

  EXPECT_FALSE(KeyExists(HKEY::LocalMachine, "SOFTWARE\\Sample"));
  EXPECT_TRUE(KeyExists(HKEY::LocalMachine, "SOFTWARE\\Other"));
  EXPECT_FALSE(KeyExists(HKEY::CurrentUser, "Software\\NoMacro")) << "no macro: the user's key";
  EXPECT_FALSE(KeyExists(HKEY::ClassesRoot, "Sample.Document"));
  EXPECT_FALSE(KeyExists(HKEY::Users, ".Default\\Software\\Sample"));
  EXPECT_TRUE(KeyExists(HKEY::CurrentUser, "Software\\Kept")) << "after the first empty value";
  for (const Relate& r : relates) {
    SCOPED_TRACE(r.value);
    const std::string key = std::string(".") + r.ext;
    EXPECT_EQ(KeyExists(HKEY::ClassesRoot, key), r.after != nullptr);
    if (r.after) {
      EXPECT_EQ(DefaultValue(HKEY::ClassesRoot, key), r.after);
    }
    EXPECT_EQ(KeyExists(HKEY::ClassesRoot, std::string(r.ext) + "_auto_file"), r.classKept);
  }
  EXPECT_TRUE(KeyExists(HKEY::ClassesRoot, ".late")) << "after the first empty value";
  EXPECT_FALSE(KeyExists(HKEY::LocalMachine, kUninstallKey));
  EXPECT_EQ(Captions(), std::vector<std::string>{A("完了")});
}

TEST_F(UninstallTest, WithoutASetupFolderNothingIsTouched) {
  WriteFile(std::string(kSetupFolder) + "SAMPLE.EXE", "x");
  MakeKey(HKEY::LocalMachine, kUninstallKey);
  WriteIni(kWindows + "ORVAN98.INI", {"[SampleID]", "Folder=C:\\Program Files\\Sample\\"});
  for (bool sectionGiven : {true, false}) {
    SCOPED_TRACE(sectionGiven);
    std::vector<std::string> lines = {
        "[DeleteFile]",         "File1=C:\\Program Files\\Sample\\SAMPLE.EXE",
        "[UnSetupRegistryKey]", std::string("Key=") + kUninstallKey,
        "[ProgramID]",          "ID=SampleID"};
    if (sectionGiven) lines.insert(lines.begin(), {"[SetupFolder]", "Folder="});
    WriteLog(lines, false);
    Uninstall();
    ASSERT_EQ(app->MessageBoxes().size(), 1u);
    const auto& box = app->MessageBoxes()[0];
    EXPECT_EQ(box.text,
              A("アンインストールフォルダが不明です．\r\nアンインストールは続行できません．"));
    EXPECT_EQ(box.caption, A("致命的エラー"));
    EXPECT_EQ(box.flags, forms::MB_OK | forms::MB_ICONSTOP);
    EXPECT_TRUE(Exists(std::string(kSetupFolder) + "SAMPLE.EXE"));
    EXPECT_TRUE(KeyExists(HKEY::LocalMachine, kUninstallKey));
    const std::string record = kWindows + "ORVAN98.INI";
    EXPECT_TRUE(win::GetPrivateProfileValue("SampleID", "Folder", record.c_str()));
    EXPECT_TRUE(forms_.frmBack->Enabled());
    EXPECT_FALSE(Exists(Main().State.workFolder)) << "the program ended";
  }
}

}  // namespace
}  // namespace setup
