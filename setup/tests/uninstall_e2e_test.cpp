// The sample distribution installed by the program itself through its console, then removed
// through the system's list of installed programs (winroot uninstall): the system is as it was
// before, but for what an uninstall leaves by design.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "platform/profile.h"
#include "platform/registry.h"
#include "scratch_root.h"

namespace {

namespace fs = std::filesystem;
using Snapshot = std::map<std::string, std::string>;  // "file:", "folder:", "key:", "value:"

std::string ReadHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void AddKey(Snapshot& snapshot, win::HKEY root, const std::string& label, const std::string& path) {
  win::RegKey key;
  if (win::RegKey::Open(root, path, key) != win::ERROR_SUCCESS) return;
  snapshot["key:" + label + path] = "";
  std::vector<std::string> names;
  key.ValueNames(names);
  for (const std::string& name : names) {
    win::RegValue value;
    key.Query(name, value);
    snapshot["value:" + label + path + "|" + name] =
        std::to_string(value.type) + ":" + std::string(value.data.begin(), value.data.end());
  }
  names.clear();
  key.SubkeyNames(names);
  for (const std::string& name : names)
    AddKey(snapshot, root, label, path.empty() ? name : path + "\\" + name);
}

// Every file and folder of drive C: and every key and value of the three registry files.
Snapshot TakeSnapshot(const fs::path& driveC) {
  Snapshot snapshot;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(driveC)) {
    const std::string name = fs::relative(entry.path(), driveC).string();
    if (entry.is_directory())
      snapshot["folder:" + name] = "";
    else
      snapshot["file:" + name] = ReadHostFile(entry.path());
  }
  AddKey(snapshot, win::HKEY::LocalMachine, "HKLM\\", "");
  AddKey(snapshot, win::HKEY::CurrentUser, "HKCU\\", "");
  AddKey(snapshot, win::HKEY::Users, "HKU\\", ".Default");
  return snapshot;
}

class UninstallEndToEndTest : public testing_support::ScratchRootTest {
 protected:
  // The sample distribution in C:\dist\ as scripts/demo assembles it, the files to expand made
  // with mscompress and given the replaced last character of their names as COMPRESS.EXE does.
  void AssembleSample(const fs::path& source, const fs::path& binaries) {
    const fs::path dist = root_.driveC() / "dist";
    const fs::path sample = source / "examples" / "sample";
    fs::create_directories(dist);
    for (const fs::directory_entry& entry : fs::directory_iterator(sample)) {
      const std::string name = entry.path().filename().string();
      if (name == "SETUP.INI" || entry.path().extension() == ".TXT")
        fs::copy_file(entry.path(), dist / name);
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(sample / "compress")) {
      const std::string name = entry.path().filename().string();
      const fs::path work = root_.path().parent_path() / name;
      fs::copy_file(entry.path(), work);
      ASSERT_EQ(std::system(("mscompress '" + work.string() + "'").c_str()), 0);
      std::string packed = ReadHostFile(work.string() + "_");
      ASSERT_GT(packed.size(), 9u);
      packed[9] = name.back();
      std::ofstream(dist / (name.substr(0, name.size() - 1) + "_"), std::ios::binary) << packed;
    }
    fs::copy_file(CONTROL_OK, dist / "SAMPLE.DLL");
    fs::copy_file(binaries / "setup" / "setup", dist / "SETUP.EXE");
  }

  // Runs a program on this system with the console lines as its input; its exit status and output.
  std::pair<int, std::string> RunConsole(const std::string& program,
                                         const std::vector<std::string>& input) {
    const fs::path in = root_.path().parent_path() / "in.txt";
    const fs::path out = root_.path().parent_path() / "out.txt";
    std::ofstream lines(in);
    for (const std::string& line : input) lines << line << '\n';
    lines.close();
    const std::string command = "WINROOT='" + root_.path().string() + "' " + program + " < '" +
                                in.string() + "' > '" + out.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadHostFile(out)};
  }
};

TEST_F(UninstallEndToEndTest, InstallingAndUninstallingTheSampleLeavesTheSystemAsItWas) {
  const char* source = std::getenv("WS_SOURCE_DIR");
  const char* binaries = std::getenv("WS_BINARY_DIR");
  ASSERT_TRUE(source && binaries) << "run through ctest";
  AssembleSample(source, binaries);
  const Snapshot before = TakeSnapshot(root_.driveC());

  // Leave the read-me page, start, create the setup folder, accept the association, close the
  // completion message.
  auto [installed, installOutput] =
      RunConsole("'" + (root_.driveC() / "dist" / "SETUP.EXE").string() + "' --console --no-sleep",
                 {"click btnEvent", "click btnEvent", "yes", "yes", "ok"});
  ASSERT_EQ(installed, 0) << installOutput;
  ASSERT_TRUE(fs::exists(root_.driveC() / "Program Files" / "Sample" / "UNSETUP.INI"))
      << installOutput;

  const std::string winroot = "'" + (fs::path(binaries) / "winroot" / "winroot").string() + "'";
  auto [listed, list] = RunConsole(winroot + " uninstall", {});
  EXPECT_EQ(list, "SampleViewer\tサンプルビューア 1.0\n");
  // Start, delete the shared library no other program uses, close the completion message.
  auto [removed, output] = RunConsole(winroot + " uninstall SampleViewer --console --no-sleep",
                                      {"click btnEvent", "click btnYes", "ok"});
  ASSERT_EQ(removed, 0) << output;
  for (const char* shown : {"frmCustomDlg: shown modal \"ファイル削除の確認\"",
                            "message box \"完了\"", "アンインストールを完了しました．"})
    EXPECT_NE(output.find(shown), std::string::npos) << shown << " in\n" << output;
  EXPECT_EQ(output.find("message box \"警告\""), std::string::npos) << "no failure\n" << output;

  const Snapshot after = TakeSnapshot(root_.driveC());
  std::vector<std::string> changed;
  for (const auto& [name, content] : before) {
    auto it = after.find(name);
    if (it == after.end() || it->second != content) changed.push_back(name);
  }
  for (const auto& [name, content] : after)
    if (!before.contains(name)) changed.push_back(name);
  // What an uninstall leaves: the uninstaller, which serves every installation; the shared record,
  // without this program's section; the INI entries, which are not undone; and the keys that
  // held what was removed, now empty.
  const std::vector<std::string> kept = {
      "file:windows/ZUREVAZ.EXE",
      "file:windows/ORVAN98.INI",
      "file:windows/SAMPLE.INI",
      "key:HKCU\\SOFTWARE",
      "key:HKLM\\SOFTWARE\\CLASSES",
      "key:HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS",
      "key:HKLM\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL",
  };
  auto upper = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  };
  for (const std::string& name : changed) {
    const bool expected = std::any_of(kept.begin(), kept.end(), [&](const std::string& k) {
      return name.starts_with("key:") ? upper(name) == upper(k) : name == k;
    });
    EXPECT_TRUE(expected) << name << " differs";
  }
  const std::string record = (root_.driveC() / "windows" / "ORVAN98.INI").string();
  EXPECT_EQ(ReadHostFile(record).find("SAMPLEVIEW"), std::string::npos);
}

}  // namespace
