// Removal over files and a registry, and the uninstaller's whole run: what goes, what stays,
// and what the user is told.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "RemovalExecutor.h"
#include "Uninstaller.h"
#include "platform/sim/SimPlatform.h"
#include "test_support.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"
#include "text/Sha256.h"
#include "text/Utf8.h"

namespace setup {
namespace {

// A small machine: files, folders and registry keys named case-insensitively, like Windows.
class FakeMachine : public FileSystem, public Registry {
 public:
  void AddFile(const std::string& path, std::string content = "x") {
    files_[FoldPathCase(path)] = {path, std::move(content)};
  }
  void AddFolder(const std::string& path) { folders_[Key(path)] = path; }
  void Lock(const std::string& path) { locked_.insert(FoldPathCase(path)); }
  void SetKey(RegistryRoot root, const std::string& path, const std::string& defaultValue) {
    keys_[RootKey(root, path)][""] = defaultValue;
  }
  void AddKey(RegistryRoot root, const std::string& path) { keys_[RootKey(root, path)]; }
  void SetValue(RegistryRoot root, const std::string& path, const std::string& name,
                const std::string& value) {
    keys_[RootKey(root, path)][name] = value;
  }
  // The values of a key, or nothing when it is gone.
  std::optional<std::map<std::string, std::string>> ValuesOf(RegistryRoot root,
                                                             const std::string& path) const {
    auto key = keys_.find(RootKey(root, path));
    if (key == keys_.end()) return std::nullopt;
    return key->second;
  }
  bool HasKey(RegistryRoot root, const std::string& path) const {
    return keys_.count(RootKey(root, path)) > 0;
  }
  std::set<std::string> Files() const {
    std::set<std::string> out;
    for (const auto& [key, file] : files_) out.insert(file.first);
    return out;
  }
  std::set<std::string> Folders() const {
    std::set<std::string> out;
    for (const auto& [key, folder] : folders_) out.insert(folder);
    return out;
  }

  bool DirectoryExists(const std::string& path) override { return folders_.count(Key(path)) > 0; }
  bool FileExists(const std::string& path) override { return files_.count(FoldPathCase(path)) > 0; }
  bool CreateDirectories(const std::string& path) override {
    AddFolder(path);
    return true;
  }
  std::unique_ptr<OutputFile> CreateFileExclusive(const std::string&) override { return nullptr; }
  bool RemoveFile(const std::string& path) override {
    if (locked_.count(FoldPathCase(path))) return false;
    files_.erase(FoldPathCase(path));
    return true;
  }
  bool RemoveEmptyFolder(const std::string& path) override {
    std::string prefix = Key(path) + "\\";
    for (const auto& [key, file] : files_)
      if (key.rfind(prefix, 0) == 0) return false;
    for (const auto& [key, folder] : folders_)
      if (key.rfind(prefix, 0) == 0) return false;
    folders_.erase(Key(path));
    return true;
  }
  // An 8.3 alias of a folder: the file system gives its long name.
  void AddShortName(const std::string& alias, const std::string& folder) {
    shortNames_.push_back({alias, folder});
  }
  std::string ComparisonKey(const std::string& path) override {
    for (const auto& [alias, folder] : shortNames_)
      if (FoldPathCase(path).rfind(FoldPathCase(alias), 0) == 0)
        return FoldPathCase(folder + path.substr(alias.size()));
    return FoldPathCase(path);
  }
  std::optional<std::string> ReadFileBytes(const std::string& path) override {
    auto file = files_.find(FoldPathCase(path));
    if (file == files_.end()) return std::nullopt;
    return file->second.second;
  }

  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override {
    auto key = keys_.find(RootKey(root, path));
    if (key == keys_.end()) return nullptr;
    return std::make_unique<Key_>(key->second);
  }
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::string& path) override {
    return std::make_unique<Key_>(keys_[RootKey(root, path)]);
  }
  bool DeleteKeyTree(RegistryRoot root, const std::string& path) override {
    std::string key = RootKey(root, path);
    for (auto it = keys_.begin(); it != keys_.end();)
      it = it->first == key || it->first.rfind(key + "\\", 0) == 0 ? keys_.erase(it) : ++it;
    return true;
  }
  bool DeleteKeyIfEmpty(RegistryRoot root, const std::string& path) override {
    std::string key = RootKey(root, path);
    auto found = keys_.find(key);
    if (found == keys_.end()) return true;
    if (!found->second.empty()) return false;
    for (const auto& [other, values] : keys_)
      if (other.rfind(key + "\\", 0) == 0) return false;
    keys_.erase(found);
    return true;
  }

 private:
  using Values = std::map<std::string, std::string>;
  class Key_ : public RegistryKey {
   public:
    explicit Key_(Values& values) : values_(values) {}
    std::string ReadString(const std::string& name) override {
      auto value = values_.find(name);
      return value == values_.end() ? std::string() : value->second;
    }
    bool DeleteValue(const std::string& name) override {
      values_.erase(name);
      return true;
    }
    bool WriteString(const std::string& name, const std::string& value) override {
      values_[name] = value;
      return true;
    }
    bool WriteInteger(const std::string&, std::int32_t) override { return false; }

   private:
    Values& values_;
  };

  static std::string Key(std::string path) {
    path = FoldPathCase(path);
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
  }
  static std::string RootKey(RegistryRoot root, const std::string& path) {
    return std::to_string(static_cast<int>(root)) + "\\" + FoldPathCase(path);
  }

  std::map<std::string, std::pair<std::string, std::string>> files_;
  std::map<std::string, std::string> folders_;
  std::set<std::string> locked_;
  std::map<std::string, Values> keys_;
  std::vector<std::pair<std::string, std::string>> shortNames_;
};

constexpr auto kClasses = RegistryRoot::ClassesRoot;
constexpr auto kMachine = RegistryRoot::LocalMachine;

std::vector<RemovalStep> Steps(std::vector<RemovalStep> steps) {
  return steps;
}

TEST(UninstallRemoval, FilesAndFolders) {
  FakeMachine machine;
  machine.AddFolder("C:\\P\\");
  machine.AddFolder("C:\\P\\data\\");
  machine.AddFolder("C:\\P\\empty\\");
  machine.AddFile("C:\\P\\data\\a.dat");
  machine.AddFile("C:\\P\\data\\mine.txt");  // the user's own, not in the log
  machine.AddFile("C:\\P\\busy.dll");
  machine.Lock("C:\\P\\busy.dll");
  std::vector<RemovalProblem> problems =
      ExecuteRemoval(Steps({{StepKind::File, "C:\\P\\data\\a.dat"},
                            {StepKind::File, "C:\\P\\gone.txt"},  // missing already: no problem
                            {StepKind::File, "C:\\P\\busy.dll"},
                            {StepKind::Folder, "C:\\P\\empty\\"},
                            {StepKind::Folder, "C:\\P\\data\\"},
                            {StepKind::Folder, "C:\\P\\never\\"},
                            {StepKind::Folder, "C:\\P\\"}}),
                     machine, machine);
  EXPECT_EQ(machine.Files(), (std::set<std::string>{"C:\\P\\data\\mine.txt", "C:\\P\\busy.dll"}));
  EXPECT_EQ(machine.Folders(), (std::set<std::string>{"C:\\P\\", "C:\\P\\data\\"}));
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0].kind, ProblemKind::FileNotRemoved);
  EXPECT_EQ(problems[0].target, "C:\\P\\busy.dll");
  EXPECT_EQ(problems[1].kind, ProblemKind::FolderNotRemoved);
  EXPECT_EQ(problems[1].target, "C:\\P\\data\\");
  EXPECT_EQ(problems[2].target, "C:\\P\\");
}

// What RegisterFileType writes for T5107 and C:\P\VelV12.exe, beside keys of others.
void RegisterT5107(FakeMachine& machine) {
  machine.SetKey(kClasses, ".T5107", "T5107file");
  machine.SetValue(kClasses, ".T5107", "Content Type", "Veltro drawing");
  machine.SetKey(kClasses, "T5107file", "Veltro drawing");
  machine.SetKey(kClasses, "T5107file\\DefaultIcon", "C:\\P\\VelV12.exe,1");
  machine.AddKey(kClasses, "T5107file\\Shell");
  machine.AddKey(kClasses, "T5107file\\Shell\\open");
  machine.SetKey(kClasses, "T5107file\\Shell\\open\\command", "C:\\P\\VelV12.exe \"%1\"");
  machine.SetKey(kClasses, "T5107filex", "a neighbour");
  machine.SetKey(kClasses, ".T51070", "T51070file");
}

// Only the values the setup wrote, each only while it holds what it wrote, then the keys left
// empty: a type key that was there before (txtfile with the system's print verb) keeps the rest.
TEST(UninstallRemoval, FileTypesOnlyTheirOwnValues) {
  using Values = std::map<std::string, std::string>;
  const char* kCommand = "T5107file\\Shell\\open\\command";
  struct Change {
    const char* key;
    const char* name;
    const char* value;  // nullptr: the key is removed
  };
  struct Left {
    const char* key;
    Values values;
  };
  struct Case {
    const char* name;
    std::vector<Change> changes;  // after the installation
    std::vector<Left> left;       // every key of the type left, with its values
    std::vector<ProblemKind> problems;
  } cases[] = {
      {"AsWritten", {}, {}, {}},
      {"LinkOtherCase", {{".T5107", "", "t5107FILE"}}, {}, {}},
      {"TakenOver",
       {{".T5107", "", "OtherApp.Document"}},
       {{".T5107", {{"", "OtherApp.Document"}, {"Content Type", "Veltro drawing"}}},
        {"T5107file", {{"", "Veltro drawing"}}},
        {"T5107file\\DefaultIcon", {{"", "C:\\P\\VelV12.exe,1"}}},
        {"T5107file\\Shell", {}},
        {"T5107file\\Shell\\open", {}},
        {kCommand, {{"", "C:\\P\\VelV12.exe \"%1\""}}}},
       {ProblemKind::AssociationChanged}},
      {"DotKeyGone",
       {{".T5107", "", nullptr}},
       {{"T5107file", {{"", "Veltro drawing"}}},
        {"T5107file\\DefaultIcon", {{"", "C:\\P\\VelV12.exe,1"}}},
        {"T5107file\\Shell", {}},
        {"T5107file\\Shell\\open", {}},
        {kCommand, {{"", "C:\\P\\VelV12.exe \"%1\""}}}},
       {}},
      {"SystemVerbStays",
       {{"T5107file\\shell\\print\\command", "", "notepad.exe /p \"%1\""},
        {".T5107", "PerceivedType", "text"}},
       {{".T5107", {{"PerceivedType", "text"}}},
        {"T5107file", {}},
        {"T5107file\\Shell", {}},
        {"T5107file\\shell\\print\\command", {{"", "notepad.exe /p \"%1\""}}}},
       {}},
      {"CommandOfAnotherProgram",
       {{kCommand, "", "C:\\Other\\edit.exe \"%1\""}},
       {{"T5107file", {}},
        {"T5107file\\Shell", {}},
        {"T5107file\\Shell\\open", {}},
        {kCommand, {{"", "C:\\Other\\edit.exe \"%1\""}}}},
       {ProblemKind::AssociationChanged}},
      {"DescriptionChanged",
       {{"T5107file", "", "Drawing (Other)"}},
       {{".T5107", {{"Content Type", "Veltro drawing"}}}, {"T5107file", {{"", "Drawing (Other)"}}}},
       {ProblemKind::AssociationChanged}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMachine machine;
    RegisterT5107(machine);
    for (const Change& change : c.changes) {
      if (change.value) {
        machine.SetValue(kClasses, change.key, change.name, change.value);
      } else {
        machine.DeleteKeyTree(kClasses, change.key);
      }
    }
    std::vector<RemovalProblem> problems = ExecuteRemoval(Steps({{StepKind::Association, "T5107"}}),
                                                          machine, machine, {"C:\\P\\VelV12.exe"});
    for (const char* key :
         {".T5107", "T5107file", "T5107file\\DefaultIcon", "T5107file\\Shell",
          "T5107file\\Shell\\open", kCommand, "T5107file\\shell\\print\\command"}) {
      std::optional<Values> expected;
      for (const Left& left : c.left)
        if (std::string(left.key) == key) expected = left.values;
      EXPECT_EQ(machine.ValuesOf(kClasses, key), expected) << key;
    }
    EXPECT_EQ(machine.ValuesOf(kClasses, "T5107filex"), (Values{{"", "a neighbour"}}));
    EXPECT_EQ(machine.ValuesOf(kClasses, ".T51070"), (Values{{"", "T51070file"}}));
    std::vector<ProblemKind> kinds;
    for (const RemovalProblem& problem : problems) kinds.push_back(problem.kind);
    EXPECT_EQ(kinds, c.problems);
  }
}

TEST(UninstallRemoval, UninstallKeyOfThisProductOnly) {
  FakeMachine machine;
  const std::string key = UninstallKeyPath("Prod");
  machine.SetKey(kMachine, key, "");
  machine.SetKey(kMachine, UninstallKeyPath("Prod 2"), "");
  EXPECT_TRUE(ExecuteRemoval(Steps({{StepKind::UninstallKey, key}}), machine, machine).empty());
  EXPECT_FALSE(machine.HasKey(kMachine, key));
  EXPECT_TRUE(machine.HasKey(kMachine, UninstallKeyPath("Prod 2")));
}

TEST(UninstallRemoval, CopyRemovesOnlyTheUninstallerAndFoldersHoldingIt) {
  struct Case {
    const char* name;
    const char* self;
    std::vector<std::string> folders;
    std::set<std::string> filesLeft;
    std::set<std::string> foldersLeft;
  } cases[] = {
      {"Removes",
       "C:\\A\\B\\UnInstall.EXE",
       {"C:\\A\\B\\", "C:\\A\\"},
       {"C:\\O\\x.txt"},
       {"C:\\O\\"}},
      {"OnlyUninstallerNames",
       "C:\\O\\x.txt",
       {"C:\\O\\"},
       {"C:\\A\\B\\UnInstall.EXE", "C:\\O\\x.txt"},
       {"C:\\A\\", "C:\\A\\B\\", "C:\\O\\"}},
      {"OnlyFoldersHoldingIt",
       "C:\\A\\B\\UnInstall.EXE",
       {"C:\\O\\", "C:\\A\\B"},
       {"C:\\O\\x.txt"},
       {"C:\\A\\", "C:\\A\\B\\", "C:\\O\\"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMachine machine;
    for (const char* folder : {"C:\\A\\", "C:\\A\\B\\", "C:\\O\\"}) machine.AddFolder(folder);
    machine.AddFile("C:\\A\\B\\UnInstall.EXE");
    machine.AddFile("C:\\O\\x.txt");
    RemoveUninstaller(c.self, c.folders, machine);
    EXPECT_EQ(machine.Files(), c.filesLeft);
    EXPECT_EQ(machine.Folders(), c.foldersLeft);
  }
}

class ScriptedUi : public UserInterface {
 public:
  explicit ScriptedUi(bool answer) : answers_{answer} {}
  // One answer a box in turn; the last one for every box after.
  explicit ScriptedUi(std::vector<bool> answers) : answers_(std::move(answers)) {}
  bool AskUser(const std::string& caption, const std::string& text, unsigned flags) override {
    shown.push_back({caption, text, flags});
    return answers_[std::min(shown.size(), answers_.size()) - 1];
  }
  void Repaint(const ControlPaint&) override {}
  struct Shown {
    std::string caption, text;
    unsigned flags;
  };
  std::vector<Shown> shown;

 private:
  std::vector<bool> answers_;
};

const char* kInstalledLog =
    "NVeltro\r\nLG\r\nDC:\\P\\\r\nDC:\\P\\data\\\r\nFC:\\P\\data\\a.dat\r\n"
    "FC:\\P\\UnInstall.EXE\r\nXT5107\r\n";

void Install(FakeMachine& machine, const std::string& log) {
  machine.AddFolder("C:\\P\\");
  machine.AddFolder("C:\\P\\data\\");
  machine.AddFile("C:\\P\\data\\a.dat");
  machine.AddFile("C:\\P\\UnInstall.EXE");
  machine.AddFile("C:\\P\\UnInstall.LOG", log);
  machine.SetKey(kClasses, ".T5107", "T5107file");
  machine.SetValue(kClasses, ".T5107", "Content Type", "Zeichnung");
  machine.SetKey(kClasses, "T5107file", "Zeichnung");
  machine.SetValue(kMachine, UninstallKeyPath("Veltro"), "DisplayName", "Veltro");
  machine.SetValue(kMachine, UninstallKeyPath("Veltro"), "UninstallString",
                   "\"C:\\P\\UnInstall.EXE\"");
  machine.SetValue(kMachine, UninstallKeyPath("Veltro"), kLogDigestValue, Sha256Hex(log));
}

TEST(UninstallRun, RemovesAfterYesAndTellsInTheLogsLanguage) {
  FakeMachine machine;
  Install(machine, kInstalledLog);
  machine.AddFile("C:\\P\\data\\meins.txt");
  ScriptedUi ui(true);
  std::vector<std::string> handedOver;
  UninstallerServices services{machine, machine, ui, [&](const RemovalPlan& plan) {
                                 handedOver.push_back(plan.selfPath);
                                 for (const auto& f : plan.selfFolders) handedOver.push_back(f);
                                 return true;
                               }};
  EXPECT_EQ(RunUninstaller(services, "C:\\P\\UnInstall.EXE"), UninstallOutcome::Removed);
  EXPECT_EQ(machine.Files(),
            (std::set<std::string>{"C:\\P\\UnInstall.EXE", "C:\\P\\data\\meins.txt"}));
  EXPECT_EQ(machine.Folders(), (std::set<std::string>{"C:\\P\\", "C:\\P\\data\\"}));
  EXPECT_FALSE(machine.HasKey(kClasses, ".T5107"));
  EXPECT_FALSE(machine.HasKey(kMachine, UninstallKeyPath("Veltro")));
  EXPECT_EQ(handedOver, (std::vector<std::string>{"C:\\P\\UnInstall.EXE", "C:\\P\\"}));
  ASSERT_EQ(ui.shown.size(), 2u);
  EXPECT_EQ(ui.shown[0].flags, kYesNoQuestion);
  EXPECT_NE(ui.shown[0].text.find("\"Veltro\""), std::string::npos);
  EXPECT_NE(ui.shown[0].text.find("Möchten"), std::string::npos);
  EXPECT_EQ(ui.shown[1].flags, kWarning);
  EXPECT_NE(ui.shown[1].text.find("Ordner (nicht leer): C:\\P\\data\\"), std::string::npos);
  EXPECT_NE(ui.shown[1].text.find("UnInstall.EXE wird entfernt, sobald"), std::string::npos);
}

// A log of this setup is UTF-8 and holds names of any script; one of a setup from before is in
// the machine's ANSI code page (Windows-1252 here). Both uninstall, and paths meet whatever their
// letter case, as on Windows.
TEST(UninstallRun, LogsInBothEncodingsUninstall) {
  const struct {
    const char* name;
    std::string folder;         // as the machine names it, UTF-8
    std::string logged;         // the same folder as the log spells it, in the log's own bytes
    std::string product, file;  // in the log's bytes
  } cases[] = {
      {"Utf8Cyrillic", "C:\\Программы\\Дмитрий\\", "C:\\ПРОГРАММЫ\\дмитрий\\", "Спец", "Café.txt"},
      {"Utf8Cjk", "C:\\製品\\", "c:\\製品\\", "製品", "Café.txt"},
      {"AnsiUmlauts", "C:\\Größe\\Ärger\\",
       "C:\\GR\xD6\xDF"
       "E\\\xE4rger\\",
       "Spezialit\xE4t", "Caf\xE9.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string log = "N" + c.product + "\r\nLG\r\nD" + c.logged + "\r\nD" + c.logged +
                            "daten\\\r\nF" + c.logged + "daten\\" + c.file + "\r\nF" + c.logged +
                            "UnInstall.EXE\r\n";
    const std::string product = IsValidUtf8(c.product) ? c.product : Utf8From1252(c.product);
    FakeMachine machine;
    machine.AddFolder(c.folder);
    machine.AddFolder(c.folder + "daten\\");
    machine.AddFile(c.folder + "DATEN\\CAFÉ.TXT");
    machine.AddFile(c.folder + "UnInstall.EXE");
    machine.AddFile(c.folder + "UnInstall.LOG", log);
    machine.SetValue(kMachine, UninstallKeyPath(product), "UninstallString",
                     "\"" + c.folder + "UnInstall.EXE\"");
    machine.SetValue(kMachine, UninstallKeyPath(product), kLogDigestValue, Sha256Hex(log));
    ScriptedUi ui(true);
    UninstallerServices services{machine, machine, ui, [](const RemovalPlan&) { return true; }};
    EXPECT_EQ(RunUninstaller(services, c.folder + "UnInstall.EXE"), UninstallOutcome::Removed);
    EXPECT_EQ(machine.Files(), (std::set<std::string>{c.folder + "UnInstall.EXE"}));
    EXPECT_EQ(machine.Folders(), (std::set<std::string>{c.folder}));
    EXPECT_FALSE(machine.HasKey(kMachine, UninstallKeyPath(product)));
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_NE(ui.shown[0].text.find("\"" + product + "\""), std::string::npos) << ui.shown[0].text;
  }
}

TEST(UninstallRun, SelfRemovalThatCannotStartIsReported) {
  FakeMachine machine;
  Install(machine, std::string(kInstalledLog).replace(9, 2, "LE"));
  ScriptedUi ui(true);
  UninstallerServices services{machine, machine, ui, [](const RemovalPlan&) { return false; }};
  RunUninstaller(services, "C:\\P\\UnInstall.EXE");
  ASSERT_EQ(ui.shown.size(), 2u);
  EXPECT_NE(ui.shown[1].text.find("file (in use or read-only): C:\\P\\UnInstall.EXE"),
            std::string::npos);
  EXPECT_EQ(ui.shown[1].text.find("as soon as you close"), std::string::npos);
}

TEST(UninstallRun, NothingRemovedWhenDeclinedOrLogDamaged) {
  struct Case {
    const char* name;
    std::string log;  // empty: no log file at all
    bool answer;
    UninstallOutcome outcome;
    const char* message;  // in the one message box shown
  } cases[] = {
      {"Declined", kInstalledLog, false, UninstallOutcome::Declined, "Möchten"},
      {"Truncated", std::string(kInstalledLog, 40), true, UninstallOutcome::LogRejected, "Zeile 5"},
      {"NoProduct", "LG\r\nFC:\\P\\data\\a.dat\r\n", true, UninstallOutcome::LogRejected,
       "The file C:\\P\\UnInstall.LOG is damaged"},
      {"UnknownRecordFrench", "NVeltro\r\nLF\r\nZ\r\n", true, UninstallOutcome::LogRejected,
       "Rien n'a été supprimé"},
      {"Missing", "", true, UninstallOutcome::LogRejected, "file not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMachine machine;
    Install(machine, c.log);
    if (c.log.empty()) machine.RemoveFile("C:\\P\\UnInstall.LOG");
    std::set<std::string> filesBefore = machine.Files();
    ScriptedUi ui(c.answer);
    bool started = false;
    UninstallerServices services{machine, machine, ui, [&](const RemovalPlan&) {
                                   started = true;
                                   return true;
                                 }};
    EXPECT_EQ(RunUninstaller(services, "C:\\P\\UnInstall.EXE"), c.outcome);
    EXPECT_EQ(machine.Files(), filesBefore);
    EXPECT_EQ(machine.Folders().size(), 2u);
    EXPECT_TRUE(machine.HasKey(kClasses, ".T5107"));
    EXPECT_TRUE(machine.HasKey(kMachine, UninstallKeyPath("Veltro")));
    EXPECT_FALSE(started);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].text.find(c.message), std::string::npos) << c.name << ui.shown[0].text;
  }
}

// The registration the log's N record names decides how far the log is trusted: a digest of
// other bytes removes nothing; without a registration naming this program, or without a digest,
// nothing outside the destination goes unless the user says so, and another program's key stays.
TEST(UninstallRun, RegistrationVouchesForTheLog) {
  struct Case {
    const char* name;
    std::vector<bool> answers;
    std::function<void(FakeMachine&)> change;  // after the installation
    UninstallOutcome outcome;
    bool productRemoved;             // C:\P\data\a.dat
    bool associationRemoved;         // .T5107, outside the destination
    bool keyRemoved;                 // gone afterwards
    std::vector<const char*> boxes;  // a piece of each box's text, in turn
  };
  const std::string key = UninstallKeyPath("Veltro");
  auto setValue = [&](const char* name, std::string value) {
    return [=](FakeMachine& m) { m.SetValue(kMachine, key, name, value); };
  };
  const Case cases[] = {
      {"Confirmed",
       {true},
       nullptr,
       UninstallOutcome::Removed,
       true,
       true,
       true,
       {"Möchten", "wurde entfernt"}},
      {"DigestInUpperCaseHex",
       {true},
       setValue(kLogDigestValue, ToUpperAscii(Sha256Hex(kInstalledLog))),
       UninstallOutcome::Removed,
       true,
       true,
       true,
       {"Möchten", "wurde entfernt"}},
      {"UnquotedInOtherCase",
       {true},
       setValue("UninstallString", "c:\\p\\uninstall.exe"),
       UninstallOutcome::Removed,
       true,
       true,
       true,
       {"Möchten", "wurde entfernt"}},
      {"LogRewritten",
       {true},
       [](FakeMachine& m) {
         m.AddFile("C:\\P\\UnInstall.LOG", std::string(kInstalledLog) + "XT5108\r\n");
       },
       UninstallOutcome::LogRejected,
       false,
       false,
       false,
       {"C:\\P\\UnInstall.LOG ist nicht die, die bei der Installation von \"Veltro\""}},
      {"OtherDigest",
       {true},
       setValue(kLogDigestValue, Sha256Hex("other")),
       UninstallOutcome::LogRejected,
       false,
       false,
       false,
       {"Es wurde nichts entfernt."}},
      {"NoDigestYes",
       {true, true},
       [&](FakeMachine& m) { m.SetValue(kMachine, key, kLogDigestValue, ""); },
       UninstallOutcome::Removed,
       true,
       true,
       true,
       {"Möchten", "bestätigt UnInstall.LOG", "wurde entfernt"}},
      {"NoDigestNo",
       {true, false},
       setValue(kLogDigestValue, ""),
       UninstallOutcome::Removed,
       true,
       false,
       true,
       {"Möchten", "\r\n.T5107\r\n", "nicht angetastet: .T5107"}},
      {"NoRegistration",
       {true, false},
       [&](FakeMachine& m) { m.DeleteKeyTree(kMachine, key); },
       UninstallOutcome::Removed,
       true,
       false,
       true,
       {"Möchten", "Außerhalb des Ordners C:\\P\\", "nicht angetastet: .T5107"}},
      {"OtherProgramsKey",
       {true, true},
       setValue("UninstallString", "\"C:\\Other\\UnInstall.EXE\""),
       UninstallOutcome::Removed,
       true,
       true,
       false,
       {"Möchten", "bestätigt", "nicht angetastet: HKEY_LOCAL_MACHINE\\SOFTWARE"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMachine machine;
    Install(machine, kInstalledLog);
    if (c.change) c.change(machine);
    ScriptedUi ui(c.answers);
    UninstallerServices services{machine, machine, ui, [](const RemovalPlan&) { return true; }};
    EXPECT_EQ(RunUninstaller(services, "C:\\P\\UnInstall.EXE"), c.outcome);
    EXPECT_NE(machine.FileExists("C:\\P\\data\\a.dat"), c.productRemoved);
    EXPECT_NE(machine.HasKey(kClasses, ".T5107"), c.associationRemoved);
    EXPECT_NE(machine.HasKey(kMachine, key), c.keyRemoved);
    ASSERT_EQ(ui.shown.size(), c.boxes.size());
    for (std::size_t i = 0; i < c.boxes.size(); ++i)
      EXPECT_NE(ui.shown[i].text.find(c.boxes[i]), std::string::npos) << ui.shown[i].text;
  }
}

// A 64-bit Windows as the 32-bit uninstaller sees it, for the user bob.
void AddWindowsFolders(FakeMachine& m) {
  const char* user = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  const char* common = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  const char* programs = "C:\\Users\\bob\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
  const std::pair<const char*, std::string> userFolders[] = {
      {"AppData", "C:\\Users\\bob\\AppData\\Roaming"},
      {"Local AppData", "C:\\Users\\bob\\AppData\\Local"},
      {"Desktop", "C:\\Users\\bob\\Desktop"},
      {"Start Menu", programs},
      {"Programs", std::string(programs) + "\\Programs"},
      {"Personal", "C:\\Users\\bob\\Documents"},
      {"My Pictures", "C:\\Users\\bob\\Pictures"},
      {"Startup", std::string(programs) + "\\Programs\\Démarrage"}};
  for (const auto& [name, folder] : userFolders)
    m.SetValue(RegistryRoot::CurrentUser, user, name, folder);
  const std::pair<const char*, const char*> commonFolders[] = {
      {"Common AppData", "C:\\ProgramData"},
      {"Common Desktop", "C:\\Users\\Public\\Desktop"},
      {"Common Start Menu", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"},
      {"Common Programs", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"}};
  for (const auto& [name, folder] : commonFolders) m.SetValue(kMachine, common, name, folder);
  const char* version = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  m.SetValue(kMachine, version, "ProgramFilesDir", "C:\\Program Files (x86)");
  m.SetValue(kMachine, version, "ProgramW6432Dir", "C:\\Program Files");
  m.SetValue(kMachine, version, "CommonFilesDir", "C:\\Program Files (x86)\\Common Files");
  m.AddShortName("C:\\PROGRA~2", "C:\\Program Files (x86)");
  m.AddShortName("C:\\Program Files (x86)\\COMMON~1", "C:\\Program Files (x86)\\Common Files");
  m.SetValue(kMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot",
             "C:\\Windows");
  // As Windows keeps them: unexpanded.
  const char* profiles = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
  m.SetValue(kMachine, profiles, "ProfilesDirectory", "%SystemDrive%\\Users");
  m.SetValue(kMachine, profiles, "Public", "%SystemDrive%\\Users\\Public");
  m.SetValue(kMachine, "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
             "ComputerName", "BOBS-PC");
  // The stock file types of programs, shortcuts and texts.
  for (const char* type : {"exe", "lnk", "txt"}) {
    m.SetKey(kClasses, std::string(".") + type, std::string(type) + "file");
    m.SetKey(kClasses, std::string(type) + "file", "stock");
  }
}

// The bounds as that machine's registry gives them, the profile list's unexpanded folders
// expanded.
TEST(UninstallRun, BoundsFromTheRegistry) {
  FakeMachine machine;
  AddWindowsFolders(machine);
  const RemovalBounds bounds = ReadRemovalBounds(machine);
  auto has = [](const std::vector<std::string>& list, const std::string& folder) {
    return std::find(list.begin(), list.end(), folder) != list.end();
  };
  for (const char* folder :
       {"C:\\Program Files (x86)\\", "C:\\Program Files\\", "C:\\Users\\bob\\AppData\\Roaming\\",
        "C:\\ProgramData\\", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\"}) {
    EXPECT_TRUE(has(bounds.productParents, folder)) << folder;
    EXPECT_TRUE(has(bounds.systemFolders, folder)) << folder;
  }
  for (const char* folder :
       {"C:\\Users\\", "C:\\Users\\Public\\", "C:\\Windows\\",
        "C:\\Program Files (x86)\\Common Files\\", "C:\\Users\\bob\\Pictures\\"})
    EXPECT_TRUE(has(bounds.systemFolders, folder)) << folder;
  EXPECT_FALSE(has(bounds.productParents, "C:\\Users\\bob\\Documents\\"));
  EXPECT_TRUE(has(bounds.shortcutFolders, "C:\\Users\\Public\\Desktop\\"));
  EXPECT_EQ(bounds.localHosts, std::vector<std::string>{"BOBS-PC"});
}

// Records added to an installation's log, each of the kinds that once reached outside it: the
// uninstaller removes the installation and nothing else, even when the user says yes to all.
// Then the logs that must keep working as they did.
TEST(UninstallRun, RemovesOnlyTheInstallation) {
  struct Case {
    const char* name;
    std::string destination;  // with its backslash
    std::string product;      // the N record
    std::vector<std::string> records;
    std::vector<std::string> outside;  // files to lay down that must stay
    bool registered;                   // the registration holds the log's digest
  };
  const std::string pf = "C:\\Program Files (x86)\\Prod\\";
  const std::string bob = "C:\\Users\\bob\\";
  const Case cases[] = {
      {"AdministrativeShares",
       pf,
       "Prod",
       {"D\\\\localhost\\C$\\Windows\\", "F\\\\localhost\\C$\\Windows\\win.ini",
        "F\\\\localhost\\C$\\Windows\\System32\\drivers\\etc\\hosts", "D\\\\localhost\\C$\\Users\\",
        "F\\\\localhost\\C$\\Users\\bob\\Documents\\letter.doc", "D\\\\BOBS-PC\\ADMIN$\\System32\\",
        "F\\\\bobs-pc\\ADMIN$\\win.ini"},
       {"\\\\localhost\\C$\\Windows\\win.ini",
        "\\\\localhost\\C$\\Windows\\System32\\drivers\\etc\\hosts",
        "\\\\localhost\\C$\\Users\\bob\\Documents\\letter.doc", "\\\\bobs-pc\\ADMIN$\\win.ini"},
       false},
      {"BelowASystemFolder",
       pf,
       "Prod",
       {"DC:\\Windows\\System32\\", "FC:\\Windows\\System32\\drivers\\etc\\hosts"},
       {"C:\\Windows\\System32\\drivers\\etc\\hosts"},
       false},
      {"ShortNames",
       pf,
       "Prod",
       {"DC:\\PROGRA~2\\", "FC:\\PROGRA~2\\Other\\other.exe", "D" + bob + "DOCUME~1\\",
        "F" + bob + "DOCUME~1\\letter.doc", "DC:\\Program Files (x86)\\COMMON~1\\",
        "FC:\\Program Files (x86)\\COMMON~1\\System\\shared.dll"},
       {"C:\\PROGRA~2\\Other\\other.exe", bob + "DOCUME~1\\letter.doc",
        "C:\\Program Files (x86)\\COMMON~1\\System\\shared.dll"},
       false},
      {"OtherCaseOfANonAsciiLetter",
       pf,
       "Prod",
       {"DC:\\Users\\JÖrg\\", "FC:\\Users\\JÖrg\\letter.doc",
        "D" + bob + "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\DÉMARRAGE\\",
        "F" + bob +
            "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\DÉMARRAGE\\notes.txt"},
       {"C:\\Users\\JÖrg\\letter.doc",
        bob + "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\DÉMARRAGE\\notes.txt"},
       false},
      {"AnyFolderRecord",
       pf,
       "Prod",
       {"DC:\\Program Files\\", "FC:\\Program Files\\Other\\other.exe", "DC:\\Users\\alice\\",
        "FC:\\Users\\alice\\letter.doc", "D" + bob + "Pictures\\", "F" + bob + "Pictures\\p.jpg",
        "DD:\\Data\\", "FD:\\Data\\db.dat", "DC:\\Documents and Settings\\bob\\",
        "FC:\\Documents and Settings\\bob\\letter.doc"},
       {"C:\\Program Files\\Other\\other.exe", "C:\\Users\\alice\\letter.doc",
        bob + "Pictures\\p.jpg", "D:\\Data\\db.dat", "C:\\Documents and Settings\\bob\\letter.doc"},
       false},
      {"SystemFileTypes", pf, "Prod", {"Xexe", "Xlnk", "Xtxt"}, {}, false},
      {"AnotherProductsKey", pf, "Microsoft Edge", {}, {}, false},
      // What must keep working.
      {"SampleLog",
       pf,
       "Prod",
       {"D" + pf + "help\\", "F" + pf + "help\\h.txt",
        "F" + bob + "AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch\\Prod.lnk"},
       {},
       true},
      {"AppDataFolders",
       pf,
       "Prod",
       {"D" + bob + "AppData\\Roaming\\Prod\\", "D" + bob + "AppData\\Roaming\\Prod\\libs\\",
        "F" + bob + "AppData\\Roaming\\Prod\\libs\\p.lib"},
       {},
       true},
      {"AllUsersShortcuts",
       pf,
       "Prod",
       {"DC:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Prod\\",
        "FC:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Prod\\Prod.lnk",
        "FC:\\Users\\Public\\Desktop\\Prod.lnk"},
       {},
       true},
      {"UncDestination", "\\\\server\\apps\\Prod\\", "Prod", {}, {}, true},
      {"DestinationOnAnAdministrativeShare", "\\\\server\\D$\\Prod\\", "Prod", {}, {}, true},
  };
  const std::string programs =
      bob + "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Prod\\";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMachine machine;
    AddWindowsFolders(machine);
    // The installation: its folders and files, shortcuts, a file type and the registration.
    std::vector<std::string> records = {"N" + c.product,
                                        "LE",
                                        "D" + c.destination,
                                        "F" + c.destination + "prod.exe",
                                        "F" + c.destination + "UnInstall.EXE",
                                        "D" + programs,
                                        "F" + programs + "Prod.lnk",
                                        "F" + bob + "Desktop\\Prod.lnk",
                                        "XT5107"};
    records.insert(records.end(), c.records.begin(), c.records.end());
    std::string log;
    for (const std::string& record : records) {
      log += record + "\r\n";
      if (record[0] == 'D') machine.AddFolder(record.substr(1));
      if (record[0] == 'F') machine.AddFile(record.substr(1));
    }
    machine.AddFile(c.destination + "UnInstall.LOG", log);
    machine.SetKey(kClasses, ".T5107", "T5107file");
    machine.SetKey(kClasses, "T5107file", "");
    const std::string key = UninstallKeyPath("Prod");
    machine.SetValue(kMachine, key, "UninstallString", c.destination + "UnInstall.EXE");
    if (c.registered) machine.SetValue(kMachine, key, kLogDigestValue, Sha256Hex(log));
    const std::string edge = UninstallKeyPath("Microsoft Edge");
    machine.SetValue(kMachine, edge, "UninstallString",
                     "\"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\setup.exe\"");

    ScriptedUi ui(true);
    UninstallerServices services{machine, machine, ui, [](const RemovalPlan&) { return true; }};
    EXPECT_EQ(RunUninstaller(services, c.destination + "UnInstall.EXE"), UninstallOutcome::Removed);
    for (const std::string& path : c.outside) EXPECT_TRUE(machine.FileExists(path)) << path;
    for (const char* type : {"exe", "lnk", "txt"}) {
      const std::string dotKey = std::string(".") + type;
      ASSERT_TRUE(machine.ValuesOf(kClasses, dotKey)) << dotKey;
      EXPECT_EQ(machine.ValuesOf(kClasses, dotKey)->at(""), std::string(type) + "file");
    }
    EXPECT_TRUE(machine.HasKey(kMachine, edge));
    // The installation itself is gone but for the uninstaller, which its copy removes.
    std::set<std::string> left;
    for (const std::string& file : machine.Files())
      if (std::find(c.outside.begin(), c.outside.end(), file) == c.outside.end()) left.insert(file);
    EXPECT_EQ(left, (std::set<std::string>{c.destination + "UnInstall.EXE"}));
    EXPECT_FALSE(machine.HasKey(kClasses, ".T5107"));
    EXPECT_FALSE(machine.DirectoryExists(programs));
    EXPECT_EQ(machine.HasKey(kMachine, key), c.product != "Prod");
  }
}

// A folder of the installation replaced by a link to a folder outside it (a junction on
// Windows, a host link in the simulated machine): the link goes, never what it points at.
TEST(UninstallRun, LinksAreRemovedNotFollowed) {
  namespace fs = std::filesystem;
  const fs::path root = test::TempFolder("uninstall_links");
  SimPlatform sim(root);
  sim.AddDefaultSystemFolders();
  auto write = [&](const std::string& path, const std::string& bytes) {
    sim.files.CreateDirectories(path.substr(0, path.rfind('\\') + 1));
    sim.files.CreateFileExclusive(path)->Append(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                bytes.size());
  };
  for (const char* file : {"C:\\Outside\\a.dat", "C:\\Outside\\b.dat", "C:\\Outside\\keep.txt"})
    write(file, "theirs");
  const std::string log =
      "NProd\r\nLE\r\nDC:\\P\\\r\nDC:\\P\\data\\\r\nFC:\\P\\data\\a.dat\r\nDC:\\P\\more\\\r\n"
      "FC:\\P\\more\\b.dat\r\nFC:\\P\\p.exe\r\n";
  write("C:\\P\\p.exe", "ours");
  write("C:\\P\\UnInstall.LOG", log);
  // Both folders made by the installation, then replaced by links out of it.
  fs::create_directory_symlink(root / "C/Outside", root / "C/P/data");
  fs::create_directory_symlink(root / "C/Outside", root / "C/P/more");
  const std::string key = UninstallKeyPath("Prod");
  sim.registry.CreateKey(kMachine, key)->WriteString("UninstallString", "C:\\P\\UnInstall.EXE");
  sim.registry.CreateKey(kMachine, key)->WriteString(kLogDigestValue, Sha256Hex(log));

  UninstallerServices services{sim.files, sim.registry, sim.ui,
                               [](const RemovalPlan&) { return true; }};
  EXPECT_EQ(RunUninstaller(services, "C:\\P\\UnInstall.EXE"), UninstallOutcome::Removed);
  for (const char* file : {"C:\\Outside\\a.dat", "C:\\Outside\\b.dat", "C:\\Outside\\keep.txt"})
    EXPECT_TRUE(sim.files.FileExists(file)) << file;
  EXPECT_FALSE(fs::exists(fs::symlink_status(root / "C/P/data")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(root / "C/P/more")));
  EXPECT_FALSE(sim.files.FileExists("C:\\P\\p.exe"));
  EXPECT_FALSE(sim.files.DirectoryExists("C:\\P\\"));
  fs::remove_all(root);
}

}  // namespace
}  // namespace setup
