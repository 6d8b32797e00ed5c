#pragma once
// A small simulated Windows for the wizard tests: resources in memory, recorded questions and
// program starts, a fixed set of drives and folders.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "test_support.h"

namespace setup::wizard_test {

struct Question {
  std::string caption, text;
  unsigned flags;
  int inputDiscardsBefore = 0;  // how often input had been thrown away when it was asked
};

class FakeWindows : public Resources,
                    public Registry,
                    public FileSystem,
                    public Shell,
                    public Disk,
                    public Session,
                    public UserInterface {
 public:
  std::map<std::string, std::vector<std::uint8_t>> rcdata;
  std::string login = "anna";
  bool admin = true;
  std::vector<Question> questions;
  std::vector<bool> answers;  // answers in turn; true when exhausted
  std::vector<std::string> starts;
  std::vector<std::string> drives = {"C:\\", "D:\\"};
  std::set<std::string> folders = {"C:\\", "C:\\Program Files", "D:\\"};
  std::set<std::string> files;
  std::map<std::string, DiskSpace> space = {{"C:\\", {1048577, 10737418240}}};
  int repaints = 0;
  int inputDiscards = 0;

  Platform platform{*this, *this, *this, *this, *this, *this, *this};

  std::optional<ByteSpan> FindRcData(const std::string& name) override {
    auto it = rcdata.find(name);
    if (it == rcdata.end()) return std::nullopt;
    return ByteSpan(it->second);
  }
  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot, const std::string&) override {
    return nullptr;
  }
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot, const std::string&) override {
    return nullptr;
  }
  bool DirectoryExists(const std::string& path) override { return folders.count(path) > 0; }
  bool FileExists(const std::string& path) override { return files.count(path) > 0; }
  bool CreateDirectories(const std::string&) override { return false; }
  std::unique_ptr<OutputFile> CreateFileExclusive(const std::string&) override { return nullptr; }
  bool SaveShortcut(const std::string&, const std::string&, const std::string&,
                    const std::string&) override {
    return false;
  }
  bool StartProgram(const std::string& commandLine, int) override {
    starts.push_back(commandLine);
    return true;
  }
  bool GetDiskSpace(const std::string& root, DiskSpace& answer) override {
    auto it = space.find(root);
    if (it == space.end()) return false;
    answer = it->second;
    return true;
  }
  std::vector<std::string> ListDrives() override { return drives; }
  std::vector<std::string> ListSubFolders(const std::string& folder) override {
    return folder == "C:\\" ? std::vector<std::string>{"Program Files"}
                            : std::vector<std::string>{};
  }
  std::string LoginName() override { return login; }
  bool IsUserAdmin() override { return admin; }
  std::string DecimalSeparator() override { return ","; }
  std::string WindowsFolder() override { return "C:\\WINDOWS\\"; }
  std::string SystemFolder() override { return "C:\\WINDOWS\\system32\\"; }
  bool AskUser(const std::string& caption, const std::string& text, unsigned flags) override {
    questions.push_back({caption, text, flags, inputDiscards});
    if (answers.empty()) return true;
    bool answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  void Repaint(const ControlPaint&) override { ++repaints; }
  void DiscardInput() override { ++inputDiscards; }

  void SetScript(const std::string& script, const std::string& licence) {
    rcdata["SetupInfo"].assign(script.begin(), script.end());
    rcdata["SetupData"] = test::FileEntry(test::AsBytes(licence));
  }
};

}  // namespace setup::wizard_test
