// The installation run against the simulated Windows: files, log, registry, shortcuts, progress
// and every failure with its message and the point where it stops.
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "RemovalExecutor.h"
#include "UninstallRecords.h"
#include "Uninstaller.h"
#include "check/Check.h"
#include "install/Installation.h"
#include "install/SystemEffects.h"
#include "install/UninstallLog.h"
#include "payload/PayloadReader.h"
#include "platform/Error.h"
#include "platform/sim/SimPlatform.h"
#include "script/SystemFolders.h"
#include "test_support.h"
#include "text/Sha256.h"

namespace setup {
namespace {

namespace fs = std::filesystem;

// A file's payload entry, as text the simulated resource can hold.
std::string Entry(const std::string& data, std::size_t pieceSize = kPieceSize) {
  const test::Bytes entry = test::FileEntry(test::AsBytes(data), pieceSize);
  return std::string(entry.begin(), entry.end());
}

class InstallRun : public testing::Test {
 protected:
  void SetUp() override {
    root = test::TempFolder(std::string("install_run_") +
                            testing::UnitTest::GetInstance()->current_test_info()->name());
    sim = std::make_unique<SimPlatform>(root);
    state.ProductName = "Prod";
    state.ProgramsFolder = "C:\\Menu\\";
    state.DesktopFolder = "C:\\Desk\\";
    state.QuickLaunchFolder = "C:\\Quick\\";
    state.AppDataFolder = "C:\\Data\\";
    controls.DestinationEdit.Text = "C:\\P";
    controls.GermanBox.Checked = true;
    controls.OneUserBtn.Checked = true;
    sim->files.CreateDirectories("C:\\P\\");
  }
  void TearDown() override { fs::remove_all(root); }

  // Script lines and the file contents of the F lines, in order, cut into pieces of pieceSize.
  void Script(std::vector<std::string> lines, const std::vector<std::string>& files,
              std::size_t pieceSize = kPieceSize) {
    state.ScriptLines = std::move(lines);
    payload.clear();
    for (const std::string& f : files) payload += Entry(f, pieceSize);
    state.Payload = std::make_unique<PayloadReader>(
        ByteSpan(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()));
  }
  InstallOutcome Run() { return RunInstallation(state, controls, sim->platform()); }
  std::string Read(const std::string& path) {
    return sim->files.ReadFileBytes(path).value_or("<missing>");
  }
  std::string RunError() {
    try {
      Run();
    } catch (const SetupError& e) {
      return e.what();
    }
    return "<no error>";
  }

  fs::path root;
  std::unique_ptr<SimPlatform> sim;
  SetupState state;
  DialogControls controls;
  std::string payload;
};

TEST_F(InstallRun, LanguageFilterKeepsEntriesPairedAndLogsInOrder) {
  Script({"D*%Ssub", "FE%Sen.txt", "fg%Sde.txt", "FF%Sfr.txt", "F*%Sall.SYM5107", "T*x", "",
          "XG5107;%Sapp.exe;Desc %S", "EE%Sx.exe"},
         {"english", "deutsch", "francais", "common"});
  ASSERT_EQ(Run(), InstallOutcome::Completed);
  EXPECT_EQ(Read("C:\\P\\de.txt"), "deutsch");
  EXPECT_EQ(Read("C:\\P\\all.SYM5107"), "common");
  EXPECT_FALSE(sim->files.FileExists("C:\\P\\en.txt"));
  EXPECT_FALSE(sim->files.FileExists("C:\\P\\fr.txt"));
  EXPECT_EQ(state.Payload->Position(), payload.size());  // last entry used by the last F line
  EXPECT_EQ(Read("C:\\P\\UnInstall.LOG"),
            "NProd\r\nLG\r\nDC:\\P\\sub\\\r\nFC:\\P\\de.txt\r\nFC:\\P\\all.SYM5107\r\n"
            "FC:\\P\\all.SYM5107IND\r\nX5107\r\n");
  EXPECT_TRUE(sim->shell.starts.empty());
  auto reg = sim->registry.Find(RegistryRoot::ClassesRoot, "5107file\\Shell\\open\\command", "");
  ASSERT_TRUE(reg);
  EXPECT_EQ(reg->text, "C:\\P\\app.exe \"%1\"");
  EXPECT_EQ(sim->registry.Find(RegistryRoot::ClassesRoot, ".5107", "Content Type")->text,
            "Desc %S");
  EXPECT_EQ(sim->registry.Find(RegistryRoot::ClassesRoot, "5107file\\DefaultIcon", "")->text,
            "C:\\P\\app.exe,1");
  auto un = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall\\Prod";
  EXPECT_EQ(sim->registry.Find(RegistryRoot::LocalMachine, un, "DisplayName")->text, "Prod");
  EXPECT_EQ(sim->registry.Find(RegistryRoot::LocalMachine, un, "UninstallString")->text,
            "\"C:\\P\\UnInstall.EXE\"");
  // The digest of the log exactly as saved, which only an administrator can write.
  EXPECT_EQ(sim->registry.Find(RegistryRoot::LocalMachine, un, "UninstallLogSha256")->text,
            Sha256Hex(Read("C:\\P\\UnInstall.LOG")));
}

TEST_F(InstallRun, ProgressFigures) {
  struct Case {
    std::size_t lines;
    std::vector<std::pair<std::size_t, int>> expected;  // line index, percent
  };
  const Case cases[] = {{200, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {100, 50}, {199, 99}}},
                        {1, {{0, 1}}},
                        {3, {{0, 1}, {1, 33}, {2, 66}}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    sim->ui.paints.clear();
    Script(std::vector<std::string>(c.lines, "T*"), {});
    Run();
    std::vector<int> bar;
    std::vector<std::string> label;
    for (const SimPaint& p : sim->ui.paints) {
      if (p.name == "ProgressBar") bar.push_back(p.position);
      if (p.name == "PercentLabel") label.push_back(p.text);
    }
    ASSERT_EQ(bar.size(), c.lines);
    ASSERT_EQ(label.size(), c.lines);
    for (const auto& [i, p] : c.expected) {
      EXPECT_EQ(bar[i], p) << c.lines << " lines, line " << i;
      EXPECT_EQ(label[i], std::to_string(p) + "%");
    }
  }
}

// A screen that paces its drawing holds back the path of a line that starts a new percentage;
// while a file is written the run says after each piece that it is still at that line, so a
// long file gets its own path drawn. Lines that write no bytes say nothing.
TEST_F(InstallRun, StillWorkingWhileAFileIsWritten) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> files;
    std::size_t pieceSize;
    std::vector<std::pair<std::string, std::size_t>> reports;  // path shown, reports under it
  };
  const Case cases[] = {
      {"a small file: one piece, one report",
       {"F*%Sa.txt"},
       {"abc"},
       kPieceSize,
       {{"C:\\P\\a.txt", 1}}},
      {"a file of three pieces: a report after each",
       {"F*%Sa.txt", "F*%Sbig.dat", "F*%Sb.txt"},
       {"a", std::string(250, 'x'), "b"},
       100,
       {{"C:\\P\\a.txt", 1}, {"C:\\P\\big.dat", 3}, {"C:\\P\\b.txt", 1}}},
      {"a folder, a file of another language, an empty file and a value write nothing",
       {"D*%Ssub", "FE%Sen.txt", "F*%Sempty.txt", "R*K;v;x"},
       {"english", ""},
       kPieceSize,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root / "C" / "P");
    sim->files.CreateDirectories("C:\\P\\");
    sim->ui.paints.clear();
    sim->ui.stillWorkingAfter.clear();
    Script(c.lines, c.files, c.pieceSize);
    ASSERT_EQ(Run(), InstallOutcome::Completed);
    // Each report belongs to the last path shown, and no line's progress came between them.
    std::vector<std::pair<std::string, std::size_t>> seen;
    for (std::size_t before : sim->ui.stillWorkingAfter) {
      std::size_t i = before;
      while (i > 0 && sim->ui.paints[i - 1].name != "ActionLabel") {
        EXPECT_NE(sim->ui.paints[i - 1].name, "ProgressBar") << "a report after the line ended";
        --i;
      }
      ASSERT_GT(i, 0u) << "a report before any path";
      const std::string& path = sim->ui.paints[i - 1].text;
      if (seen.empty() || seen.back().first != path) seen.push_back({path, 0});
      ++seen.back().second;
    }
    EXPECT_EQ(seen, c.reports);
  }
}

TEST_F(InstallRun, MainProgramShortcutsAndKLines) {
  state.MainProgram = "%SApp.exe";
  controls.DesktopBox.Checked = true;
  sim->files.CreateDirectories("C:\\Menu\\VELTRO 5107!\\");
  sim->files.CreateDirectories("C:\\Desk\\");
  Script({"F*%Sapp.EXE", "K*%SProj.lnk;%Aprojects;-x;dropped", "K*C:\\Missing\\a.lnk;%Sapp.exe;"},
         {"MZ"});
  ASSERT_EQ(Run(), InstallOutcome::Completed);
  ASSERT_EQ(sim->shell.shortcuts.size(), 3u);
  EXPECT_EQ(sim->shell.shortcuts[0].linkPath, "C:\\Menu\\VELTRO 5107!\\Prod.lnk");
  EXPECT_EQ(sim->shell.shortcuts[0].program, "C:\\P\\App.exe");
  EXPECT_EQ(sim->shell.shortcuts[1].linkPath, "C:\\Desk\\Prod.lnk");
  EXPECT_EQ(sim->shell.shortcuts[2].program, "C:\\Data\\projects");
  EXPECT_EQ(sim->shell.shortcuts[2].workingFolder, "C:\\Data\\");
  EXPECT_EQ(sim->shell.shortcuts[2].arguments, "-x");
  ASSERT_EQ(sim->ui.questions.size(), 1u);  // the missing folder: the run goes on
  EXPECT_EQ(sim->ui.questions[0].text, "Problems with link \r \"C:\\Missing\\a.lnk\"!");
  EXPECT_EQ(sim->ui.questions[0].flags, 48u);
  EXPECT_EQ(Read("C:\\P\\UnInstall.LOG"),
            "NProd\r\nLG\r\nFC:\\P\\app.EXE\r\nFC:\\Menu\\VELTRO 5107!\\Prod.lnk\r\n"
            "FC:\\Desk\\Prod.lnk\r\nFC:\\P\\Proj.lnk\r\nFC:\\Missing\\a.lnk\r\n");
}

// The vendor's identity: the main shortcut in its folder, the add-on's programs by its key, the
// uninstall entry's extra values (DisplayIcon with its macros expanded, numbers as REG_DWORD).
TEST_F(InstallRun, TheVendorIdentityNamesFolderAddOnAndEntry) {
  const std::string identity =
      "StartMenuFolder=Acme\\Draw\r\nAddOnKey=ACME-ADDON\r\nDisplayIcon=%SApp.exe,0\r\n"
      "EstimatedSize=2048\r\nPublisher=Acme %S\r\nNoModify=1\r\n";
  state.Identity = ParseVendorIdentity(
      ByteSpan(reinterpret_cast<const std::uint8_t*>(identity.data()), identity.size()));
  state.MainProgram = "%SApp.exe";
  sim->files.CreateDirectories("C:\\Menu\\Acme\\Draw\\");
  Script({"F*%Sapp.EXE", "E*%Sapp.EXE /acme-addon", "E*%Sapp.EXE /korvalt"}, {"MZ"});
  ASSERT_EQ(Run(), InstallOutcome::Completed);
  ASSERT_EQ(sim->shell.shortcuts.size(), 1u);
  EXPECT_EQ(sim->shell.shortcuts[0].linkPath, "C:\\Menu\\Acme\\Draw\\Prod.lnk");
  ASSERT_EQ(sim->shell.starts.size(), 1u);  // the box is not ticked
  EXPECT_EQ(sim->shell.starts[0].commandLine, "C:\\P\\app.EXE /korvalt");
  const auto un = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall\\Prod";
  EXPECT_EQ(sim->registry.Find(RegistryRoot::LocalMachine, un, "DisplayIcon")->text,
            "C:\\P\\App.exe,0");
  EXPECT_EQ(sim->registry.Find(RegistryRoot::LocalMachine, un, "Publisher")->text, "Acme %S");
  const auto size = sim->registry.Find(RegistryRoot::LocalMachine, un, "EstimatedSize");
  ASSERT_TRUE(size);
  EXPECT_EQ(size->type, SimValue::Type::Dword);
  EXPECT_EQ(size->number, 2048u);
  EXPECT_EQ(sim->registry.Find(RegistryRoot::LocalMachine, un, "NoModify")->number, 1u);
  EXPECT_FALSE(sim->registry.Find(RegistryRoot::LocalMachine, un, "NoRepair"));
  EXPECT_EQ(sim->registry.Find(RegistryRoot::LocalMachine, un, "DisplayName")->text, "Prod");
}

TEST_F(InstallRun, RegistryValues) {
  Script({"R*K;str;%A", "R*K;neg;-12", "R*K;zero;007", "R*K;plus;+5", "R*K;;-", "RE K;no;1"}, {});
  Run();
  auto at = [&](const char* name) {
    return *sim->registry.Find(RegistryRoot::CurrentUser, "K", name);
  };
  EXPECT_EQ(at("str").text, "C:\\Data\\");
  EXPECT_EQ(at("neg").type, SimValue::Type::Dword);
  EXPECT_EQ(at("neg").number, 0xfffffff4u);
  EXPECT_EQ(at("zero").number, 7u);
  EXPECT_EQ(at("plus").text, "+5");
  EXPECT_EQ(at("").text, "-");
  EXPECT_FALSE(sim->registry.Find(RegistryRoot::CurrentUser, "K", "no"));
  controls.AllUserBtn.Checked = true;
  Script({"R*K2;v;x"}, {});
  Run();
  EXPECT_TRUE(sim->registry.Find(RegistryRoot::Users, ".DEFAULT\\K2", "v"));
}

TEST(IsIntegerText, Table) {
  const std::pair<const char*, bool> cases[] = {
      {"", false},   {"-", false},   {"0", true},   {"-12", true},  {"007", true},
      {"+5", false}, {"12a", false}, {" 1", false}, {"0x1", false}, {"99999999999", true}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(IsIntegerText(text), expected) << text;
}

TEST_F(InstallRun, FailuresStopWhereTheyShould) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::function<void(SimPlatform&)> prepare;
    std::string message;
    bool logSaved;
  };
  const std::vector<Case> cases = {
      {"ReadOnly",
       {"F*%Sa.txt", "F*%Sro.txt", "F*%Sc.txt"},
       [](SimPlatform& s) {
         s.files.CreateDirectories("C:\\P\\");
         std::ofstream(s.drives.HostPath("C:\\P\\ro.txt")) << "old";
         s.files.MakeReadOnly("C:\\P\\ro.txt");
       },
       "Cannot create file C:\\P\\ro.txt",
       false},
      {"NoFolderPart",
       {"F*%Sa.txt", "F*x.txt", "F*%Sc.txt"},
       nullptr,
       "Unable to create directory",
       false},
      {"ValueDenied",
       {"F*%Sa.txt", "R*K;v;1", "F*%Sc.txt"},
       [](SimPlatform& s) { s.registry.DenyValue(RegistryRoot::CurrentUser, "K", "v"); },
       "Failed to set data for 'v'",
       false},
      {"OutOfRange",
       {"F*%Sa.txt", "R*K;v;2147483648", "F*%Sc.txt"},
       nullptr,
       "'2147483648' is not a valid integer value",
       false},
      {"ValueNameTooLong",
       {"F*%Sa.txt", "R*K;" + std::string(16384, 'v') + ";1", "F*%Sc.txt"},
       nullptr,
       "Failed to set data for '" + std::string(16384, 'v') + "'",
       false},
      {"DiskFull",
       {"F*%Sa.txt", "F*%Sb.txt", "F*%Sc.txt"},
       [](SimPlatform& s) { s.files.SetWriteLimit(6); },
       "Stream write error",
       false},
      {"RegistrationDenied",
       {"F*%Sa.txt", "F*%Sb.txt", "F*%Sc.txt"},
       [](SimPlatform& s) { s.registry.DenyKey(RegistryRoot::LocalMachine, "SOFTWARE"); },
       "Failed to set data for 'DisplayName'",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    if (c.prepare) c.prepare(*sim);
    Script(c.lines, {"aaaa", "bbbb", "cccc"});
    EXPECT_EQ(RunError(), c.message);
    EXPECT_EQ(Read("C:\\P\\a.txt"), "aaaa") << c.name;  // earlier files stay
    EXPECT_FALSE(sim->files.FileExists("C:\\P\\c.txt") && !c.logSaved);
    EXPECT_EQ(sim->files.FileExists("C:\\P\\UnInstall.LOG"), c.logSaved);
  }
  // -2147483648 fits.
  TearDown();
  SetUp();
  Script({"R*K;v;-2147483648"}, {});
  EXPECT_EQ(RunError(), "<no error>");
  // The product name is the uninstall key's name, which Windows takes up to 255 characters.
  const std::pair<std::size_t, const char*> products[] = {
      {255, "<no error>"}, {256, "Failed to set data for 'DisplayName'"}};
  for (const auto& [length, message] : products) {
    SCOPED_TRACE(length);
    TearDown();
    SetUp();
    state.ProductName = std::string(length, 'n');
    Script({"F*%Sa.txt"}, {"aaaa"});
    EXPECT_EQ(RunError(), message);
    EXPECT_TRUE(sim->files.FileExists("C:\\P\\UnInstall.LOG"));
  }
}

TEST_F(InstallRun, DamagedBlock) {
  Script({"F*%Sa.txt", "F*%Sb.txt"}, {"aaaa", "bbbb"});
  payload[payload.size() - 2] ^= 0x55;  // Adler-32 of the last block
  state.Payload = std::make_unique<PayloadReader>(
      ByteSpan(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()));
  EXPECT_EQ(RunError(), "data error");
  EXPECT_EQ(Read("C:\\P\\a.txt"), "aaaa");
  EXPECT_FALSE(sim->files.FileExists("C:\\P\\UnInstall.LOG"));
}

TEST_F(InstallRun, DeclinedRightsQuestionWritesNothing) {
  sim->session.admin = false;
  sim->ui.answers = {false};
  controls.GermanBox.Checked = false;
  controls.FrenchBox.Checked = true;
  Script({"D*%S", "F*%Sa.txt", "R*K;v;x"}, {"aaaa"});
  const std::string before = sim->registry.SaveText();
  EXPECT_EQ(Run(), InstallOutcome::Declined);
  ASSERT_EQ(sim->ui.questions.size(), 1u);
  EXPECT_EQ(sim->ui.questions[0].caption, "Droits d´administrateur manquent");
  EXPECT_EQ(sim->ui.questions[0].flags, 33u);
  EXPECT_TRUE(fs::is_empty(root / "C" / "P"));
  EXPECT_EQ(sim->registry.SaveText(), before);
  EXPECT_FALSE(state.Log);
  EXPECT_TRUE(sim->ui.paints.empty());
}

TEST_F(InstallRun, ExecuteQuotesAWholeProgramPath) {
  controls.DestinationEdit.Text = "C:\\My Prog\\";
  Script({"F*%Ssetup_Korvalt.exe", "E*%Ssetup_Korvalt.exe ", "E*%Stool.exe /x", "E*notepad"},
         {"MZ"});
  controls.KorvaltCheckBox.Checked = true;
  Run();
  ASSERT_EQ(sim->shell.starts.size(), 3u);
  EXPECT_EQ(sim->shell.starts[0].commandLine, "\"C:\\My Prog\\setup_Korvalt.exe\"");
  EXPECT_EQ(sim->shell.starts[0].showCommand, 1);
  EXPECT_EQ(sim->shell.starts[1].commandLine, "C:\\My Prog\\tool.exe /x");
  EXPECT_EQ(sim->shell.starts[2].commandLine, "notepad");
}

// What the run asks of the file system, call by call, passed on to the simulated one.
class CallRecorder : public FileSystem {
 public:
  explicit CallRecorder(FileSystem& files) : files_(files) {}
  bool DirectoryExists(const std::string& path) override {
    calls.push_back("exists " + path);
    return files_.DirectoryExists(path);
  }
  bool FileExists(const std::string& path) override {
    calls.push_back("file? " + path);
    return files_.FileExists(path);
  }
  bool CreateDirectories(const std::string& path) override {
    calls.push_back("folders " + path);
    return files_.CreateDirectories(path);
  }
  std::unique_ptr<OutputFile> CreateFileExclusive(const std::string& path) override {
    calls.push_back("create " + path);
    return files_.CreateFileExclusive(path);
  }
  std::vector<std::string> calls;

 private:
  FileSystem& files_;
};

// A file in a folder that is there costs one call, the file's creation; a missing folder is made
// when its first file cannot be created, and only then.
TEST_F(InstallRun, FileSystemCallsPerFile) {
  const struct {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> calls;  // before the log is saved
  } cases[] = {
      {"FolderThere",
       {"F*%Sa.txt", "F*%Sb.txt", "F*%Sc.txt"},
       {"create C:\\P\\a.txt", "create C:\\P\\b.txt", "create C:\\P\\c.txt"}},
      {"NewFolder",
       {"F*%Ssub\\a.txt", "F*%Ssub\\b.txt"},
       {"create C:\\P\\sub\\a.txt", "folders C:\\P\\sub\\", "create C:\\P\\sub\\a.txt",
        "create C:\\P\\sub\\b.txt"}},
      {"FolderFromDLine",
       {"D*%Sd", "F*%Sd\\a.txt"},
       {"exists C:\\P\\d\\", "folders C:\\P\\d\\", "create C:\\P\\d\\a.txt"}},
      {"OtherLanguage", {"FE%Sen.txt", "F*%Sa.txt"}, {"create C:\\P\\a.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    CallRecorder recorder(sim->files);
    const Platform& simulated = sim->platform();
    Platform platform{simulated.resources, simulated.registry, recorder,    simulated.shell,
                      simulated.disk,      simulated.session,  simulated.ui};
    Script(c.lines, std::vector<std::string>(c.lines.size(), "data"));
    ASSERT_EQ(RunInstallation(state, controls, platform), InstallOutcome::Completed);
    std::vector<std::string> calls = recorder.calls;
    ASSERT_EQ(calls.back(), "create C:\\P\\UnInstall.LOG");
    calls.pop_back();
    EXPECT_EQ(calls, c.calls);
    for (const std::string& line : c.lines) {
      if (line[0] != 'F' || line[1] != '*') continue;
      EXPECT_EQ(Read("C:\\P\\" + line.substr(4)), "data") << line;
    }
  }
}

// Every log the run writes can be uninstalled: for each script and destination, an installation
// into a simulated Windows and the uninstaller over it give back the machine as it was, with the
// files, shortcuts and keys of others (a neighbour's shortcut, a print verb the logfile type had
// before, another program's uninstall entry) untouched.
class RoundTrip {
 public:
  explicit RoundTrip(const fs::path& root) : sim(root) {
    sim.AddDefaultSystemFolders();
    const char* user = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const char* common = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    sim.registry.CreateKey(RegistryRoot::CurrentUser, user)
        ->WriteString("Start Menu",
                      "C:\\Users\\Tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu");
    sim.registry.CreateKey(RegistryRoot::LocalMachine, common)
        ->WriteString("Common Start Menu", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu");
    sim.files.CreateDirectories("C:\\Apps\\");
    sim.files.CreateFileExclusive("C:\\Users\\Tester\\Desktop\\Other.lnk")
        ->Append(reinterpret_cast<const std::uint8_t*>("x"), 1);
    sim.registry.CreateKey(RegistryRoot::ClassesRoot, ".log")->WriteString("PerceivedType", "text");
    sim.registry.CreateKey(RegistryRoot::ClassesRoot, "logfile\\shell\\print\\command")
        ->WriteString("", "notepad.exe /p \"%1\"");
    sim.registry
        .CreateKey(RegistryRoot::LocalMachine,
                   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall\\Other")
        ->WriteString("DisplayName", "Other");
  }

  // Every folder and file under the root with its content, and the whole registry.
  std::string Snapshot() {
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(sim.drives.DriveFolder('C'))) {
      std::string line = entry.path().string();
      if (entry.is_regular_file()) {
        std::ifstream in(entry.path(), std::ios::binary);
        line += " = " + std::string(std::istreambuf_iterator<char>(in), {});
      }
      entries.push_back(line);
    }
    std::sort(entries.begin(), entries.end());
    std::string text = sim.registry.SaveText();
    for (const std::string& entry : entries) text += entry + "\n";
    return text;
  }

  SimPlatform sim;
};

struct RoundTripCase {
  const char* name;
  std::string destination;
  std::vector<std::string> lines;  // besides F*%SApp.exe and F*%SUnInstall.EXE
  bool allUsers;
  // Shell folders of all users that this machine lacks (Windows 9x), and what the log then
  // names on the current drive: outside every folder of the installation, reported and left.
  std::vector<const char*> missingCommon = {};
  std::vector<std::string> leftAlone = {};
};

// Installs the case into a fresh simulated machine and uninstalls it again from its log.
void ExpectRoundTrip(const RoundTripCase& c, const fs::path& root) {
  RoundTrip machine(root);
  for (const char* name : c.missingCommon)
    machine.sim.registry
        .CreateKey(RegistryRoot::LocalMachine,
                   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
        ->DeleteValue(name);
  const std::string before = machine.Snapshot();

  SetupState state;
  state.ProductName = "Prod";
  state.DefaultSubFolder = "Prod\\";
  state.MainProgram = "%SApp.exe";
  ResolveSystemFolders(state, machine.sim.registry, !c.allUsers);
  DialogControls controls;
  controls.DestinationEdit.Text = c.destination;
  controls.EnglishBox.Checked = true;
  controls.AllUserBtn.Checked = c.allUsers;
  controls.OneUserBtn.Checked = !c.allUsers;
  controls.DesktopBox.Checked = true;
  controls.QuickLaunchBox.Checked = true;
  // The destination's D line first, then the main program with its three shortcuts.
  state.ScriptLines = c.lines;
  state.ScriptLines.insert(state.ScriptLines.begin() + 1,
                           {"D*%PVELTRO 5107!\\", "F*%SApp.exe", "F*%SUnInstall.EXE"});
  std::string payload = Entry("app") + Entry("uninstaller");
  for (const std::string& line : c.lines)
    if (line[0] == 'F') payload += Entry(line);
  state.Payload = std::make_unique<PayloadReader>(
      ByteSpan(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()));
  ASSERT_EQ(RunInstallation(state, controls, machine.sim.platform()), InstallOutcome::Completed);
  const std::string uninstaller = state.DestinationFolder + "UnInstall.EXE";
  ASSERT_TRUE(machine.sim.files.FileExists(uninstaller)) << uninstaller;
  const std::string log =
      machine.sim.files.ReadFileBytes(state.DestinationFolder + "UnInstall.LOG").value_or("");
  EXPECT_EQ(ReadUninstallLog(log).damage, LogDamage::None) << log;

  machine.sim.ui.questions.clear();
  UninstallerServices services{
      machine.sim.files, machine.sim.registry, machine.sim.ui, [&](const RemovalPlan& plan) {
        RemoveUninstaller(plan.selfPath, plan.selfFolders, machine.sim.files);
        return true;
      }};
  EXPECT_EQ(RunUninstaller(services, uninstaller), UninstallOutcome::Removed) << log;
  ASSERT_FALSE(machine.sim.ui.questions.empty());
  const std::string& last = machine.sim.ui.questions.back().text;
  EXPECT_EQ(machine.sim.ui.questions.back().flags, c.leftAlone.empty() ? kInformation : kWarning)
      << last;
  for (const std::string& path : c.leftAlone) {
    EXPECT_NE(last.find("outside the installation, left alone: " + path), std::string::npos)
        << path << " in " << last;
    // What the report names stays, on the drive of the current folder: take it away by hand.
    const std::string top = path.substr(1, path.find('\\', 1) - 1);
    fs::remove_all(machine.sim.drives.HostPath("C:\\" + top));
  }
  EXPECT_EQ(machine.Snapshot(), before) << log;
}

TEST(InstallRoundTrip, EveryLogCanBeUninstalled) {
  const RoundTripCase cases[] = {
      {"Plain", "C:\\Apps\\Prod", {"D*%S", "D*%Sdata\\", "F*%Sdata\\a.dat", "D*%PProd\\"}, false},
      {"ForwardSlashDestination", "C:/Apps/Prod", {"D*%S", "D*%Sdata/", "F*%Sdata/b.dat"}, false},
      {"DoubledBackslashes",
       "C:\\\\Apps\\\\Prod\\\\",
       {"D*%S", "D*%S\\sub\\\\", "F*%Ssub\\\\c"},
       false},
      {"DotStepsInDestination", "C:\\Apps\\.\\x\\..\\Prod", {"D*%S", "F*%Sa.txt"}, false},
      {"TrailingDotAndBlank",
       "C:\\Apps\\Prod. ",
       {"D*%S", "D*%Sdata.\\", "F*%Sdata.\\a.dat"},
       false},
      {"ShortcutBesideThePrograms",
       "C:\\Apps\\Prod",
       {"D*%S", "K*%P..\\Prod.lnk;%SApp.exe;"},
       false},
      {"ShortcutsOfAllUsers",
       "C:\\Apps\\Prod",
       {"D*%S", "D*%PProd\\", "K*%PProd\\Help.lnk;%SApp.exe;/h", "K*%P..\\Prod.lnk;%SApp.exe;"},
       true},
      {"ProgramFolderDots",
       "C:\\Apps\\Prod",
       {"D*%S", "D*%Sbin\\..\\lib\\", "F*%Slib\\.\\l.dll"},
       false},
      {"FileTypes",
       "C:\\Apps\\Prod",
       {"D*%S", "X*T5107;%SApp.exe;Prod drawing", "X*log;%S.\\App.exe;Prod text"},
       false},
      {"AppDataFolder", "C:\\Apps\\Prod", {"D*%S", "D*%A", "D*%Alibs\\", "F*%Alibs\\p.lib"}, false},
      {"MissingShellFolders",
       "C:\\Apps\\Prod",
       {"D*%S", "F*%Dreadme.txt", "D*%Avqx\\Prod2\\projects\\", "K*%DProd2.lnk;%SApp.exe;"},
       true,
       {"Common Desktop", "Common AppData"},
       {"\\readme.txt", "\\Prod2.lnk", "\\Prod.lnk", "\\Prod\\vqx\\Prod2\\projects\\"}},
      {"DeepDestinationWithShortcut",
       "C:\\Apps\\" + std::string(220, 'd'),
       {"D*%S", "K*%S" + std::string(30, 'k') + ".lnk;%SApp.exe;"},
       false},
      {"UnfoldedDestination", "C:\\Apps\\My App \\", {"D*%S", "F*%S.\\sub\\..\\a.txt"}, false},
  };
  int row = 0;
  for (const RoundTripCase& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path root = test::TempFolder("round_trip_" + std::to_string(row++));
    ExpectRoundTrip(c, root);
    fs::remove_all(root);
  }
}

// Scripts that mksetup check accepts, installed into destinations the wizard takes, all
// uninstall. Drawn from a fixed seed, so that a failure names a script that can be run again.
TEST(InstallRoundTrip, GeneratedScriptsUninstall) {
  std::mt19937 random(5107);
  auto pick = [&](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  const std::vector<std::string> folders = {
      "%S",          "%Sdata\\", "%Sa b\\c.\\", "%S..\\Prod\\x\\", "%Sfw/sub/",
      "%S\\dbl\\\\", "%A",       "%Alibs\\",    "%PProd\\",        "%S.\\d\\"};
  const std::vector<std::string> names = {"a.txt", "b.dat", "c d.SYM5107", "e", "f.PCK5107"};
  const std::vector<std::string> linkFolders = {"%PProd\\", "%P..\\", "%D", "%Q", "%S"};
  const std::vector<std::string> destinations = {"C:\\Apps\\Prod",
                                                 "C:/Apps/Prod",
                                                 "C:\\Apps\\Prod\\",
                                                 "C:\\Apps\\My Prod",
                                                 "C:\\Apps\\.\\Prod",
                                                 "C:\\Apps\\Prod\\\\",
                                                 "C:\\Apps\\" + std::string(120, 'd')};
  const std::string header =
      "GEF\r\nN*Prod\r\nV1\r\nS0\r\nDProd\\\r\nH%SApp.exe\r\nME%SApp.exe\r\n\r\n\r\n"
      "D*%PVELTRO 5107!\\\r\nF*%SApp.exe\r\nF*%SUnInstall.EXE\r\n";
  int accepted = 0;
  for (int run = 0; run < 40; ++run) {
    std::vector<std::string> lines = {"D*%S"};
    // A vendor makes a folder with D lines, outermost first: a folder made only on the way to
    // another one or to a file is not logged, and stays.
    auto addFolder = [&](const std::string& folder) {
      lines.push_back("D*" + folder.substr(0, 2));
      for (std::size_t at = folder.find_first_of("\\/", 2); at != std::string::npos;
           at = folder.find_first_of("\\/", at + 1))
        lines.push_back("D*" + folder.substr(0, at + 1));
      lines.push_back("D*" + folder);
    };
    const int count = std::uniform_int_distribution<int>(1, 8)(random);
    for (int i = 0; i < count; ++i) {
      switch (std::uniform_int_distribution<int>(0, 3)(random)) {
        case 0:
          addFolder(pick(folders));
          break;
        case 1: {
          const std::string folder = pick(folders);
          addFolder(folder);
          lines.push_back("F*" + folder + pick(names));
          break;
        }
        case 2:
          lines.push_back("D*%PProd\\");
          lines.push_back("K*" + pick(linkFolders) + "L" + std::to_string(i) + ".lnk;%SApp.exe;");
          break;
        default:
          lines.push_back("X*T51" + std::to_string(10 + i) + ";%SApp.exe;Prod " +
                          std::to_string(i));
      }
    }
    std::string script = header;
    for (const std::string& line : lines) script += line + "\r\n";
    const auto findings = mksetup::CheckScript(mksetup::ScriptFromText("generated", script), {});
    if (std::any_of(findings.begin(), findings.end(), [](const mksetup::Finding& finding) {
          return finding.severity == mksetup::Severity::Error;
        }))
      continue;
    ++accepted;
    const RoundTripCase c{"generated", pick(destinations), lines,
                          std::uniform_int_distribution<int>(0, 1)(random) == 1};
    SCOPED_TRACE(c.destination + (c.allUsers ? " (all users)\n" : "\n") + script);
    const fs::path root = test::TempFolder("round_trip_generated_" + std::to_string(run));
    ExpectRoundTrip(c, root);
    fs::remove_all(root);
  }
  EXPECT_GE(accepted, 20);  // the generator must keep making scripts that check takes
}

}  // namespace
}  // namespace setup
