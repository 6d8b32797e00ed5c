#include "install/Installation.h"

#include <cstddef>
#include <cstdint>
#include <string>

#include "install/SystemEffects.h"
#include "install/UninstallLog.h"
#include "payload/PayloadReader.h"
#include "platform/Error.h"
#include "script/Macros.h"
#include "script/Paths.h"
#include "text/FileFormat.h"
#include "text/FolderPath.h"
#include "text/LanguageCode.h"
#include "text/ScriptText.h"
#include "text/Sha256.h"

namespace setup {
namespace {

constexpr const char* kIndexedExtensions[] = {".SYM5107", ".PCK5107", ".REF5107"};

struct RightsQuestion {
  const char* caption;
  const char* text;
};
constexpr RightsQuestion kRightsGerman = {"Administrator-Rechte fehlen",
                                          "Möchten Sie die Installation dennoch versuchen?"};
constexpr RightsQuestion kRightsFrench = {"Droits d´administrateur manquent",
                                          "Voudriez-vous cependant essayer l´installation?"};
constexpr RightsQuestion kRightsEnglish = {"Administrator privileges missing",
                                           "Try to install in spite of that?"};

// A file being written says after each piece that the run is still at its line: a screen that
// paces its drawing may have held the line's path back, and a large file takes seconds.
class WorkingSink : public ByteSink {
 public:
  WorkingSink(ByteSink& file, UserInterface& ui) : file_(file), ui_(ui) {}
  void Append(const std::uint8_t* data, std::size_t size) override {
    file_.Append(data, size);
    ui_.StillWorking();
  }

 private:
  ByteSink& file_;
  UserInterface& ui_;
};

class Run {
 public:
  Run(SetupState& state, DialogControls& controls, Platform& platform)
      : state_(state), controls_(controls), platform_(platform), log_(*state.Log) {}

  void ActionLine(const std::string& line) {
    std::string text = line;
    switch (ToUpperAscii(TakeFirstChar(text))) {
      case kFolderAction:
        return Folder(text);
      case kExecuteAction:
        return Execute(text);
      case kFileAction:
        return File(text);
      case kShortcutAction:
        return Shortcut(text);
      case kRegistryAction:
        return RegistryValue(text);
      case kFileTypeAction:
        return FileType(text);
      default:
        return;
    }
  }

 private:
  bool Accepts(char code) const {
    const bool german = controls_.GermanBox.Checked, english = controls_.EnglishBox.Checked;
    const bool french = controls_.FrenchBox.Checked;
    return LanguageAccepts(code, '*') || (german && LanguageAccepts(code, 'G')) ||
           (english && LanguageAccepts(code, 'E')) || (french && LanguageAccepts(code, 'F'));
  }
  void Show(const std::string& text) {
    controls_.ActionLabel.Text = text;
    platform_.ui.Repaint(PaintOf(controls_.ActionLabel));
  }

  void Folder(std::string text) {
    if (!Accepts(TakeFirstChar(text))) return;
    std::string folder = ExpandMacros(state_, text);
    EnsureTrailingBackslash(folder);
    Show(folder);
    if (platform_.files.DirectoryExists(folder)) return;
    log_.Append(kFolderRecord + folder);
    platform_.files.CreateDirectories(folder);  // a failure shows with the first file in it
  }

  void Execute(std::string text) {
    const char code = TakeFirstChar(text);
    const std::string command = ExpandMacros(state_, text);
    Show("Execute " + command);
    if (!Accepts(code)) return;
    if (ToUpperAscii(command).find(state_.Identity.addOnKey) != std::string::npos &&
        !controls_.KorvaltCheckBox.Checked) {
      return;
    }
    // A command that is just a program path (blanks behind it dropped) is quoted, so a path
    // with blanks starts that program and not the first word of it.
    std::string path = command;
    while (!path.empty() && path.back() == ' ') path.pop_back();
    const bool wholePath = !path.empty() && platform_.files.FileExists(path);
    platform_.shell.StartProgram(wholePath ? "\"" + path + "\"" : command, 1);
  }

  void File(std::string text) {
    const char code = TakeFirstChar(text);
    const std::string path = ExpandMacros(state_, text);
    Show(path);
    if (!state_.Payload) throw SetupError("Resource SetupData not found");
    const PayloadEntry entry = state_.Payload->NextEntry();  // taken before the language test
    if (!Accepts(code)) return;
    const std::string folder = FolderPart(path);
    if (folder.empty()) throw SetupError("Unable to create directory");
    log_.Append(kFileRecord + path);
    if (IsIndexed(path)) log_.Append(kFileRecord + path + "IND");
    {
      std::unique_ptr<OutputFile> file = CreateInFolder(path, folder);
      if (!file) throw SetupError("Cannot create file " + path);
      WorkingSink sink(*file, platform_.ui);
      entry.InflateTo(sink);
    }
    if (SameIgnoringAsciiCase(path, state_.MainProgram)) MainProgramShortcuts();
  }

  // Most files go into a folder that is already there, so the file is created first and its
  // folder (with the missing parents) only made when that fails: asking for the folder before
  // every file costs a look-up of its attributes each time (several system calls under Wine).
  // Nothing between the two is seen by anyone: the log is only saved at the end of the run.
  std::unique_ptr<OutputFile> CreateInFolder(const std::string& path, const std::string& folder) {
    std::unique_ptr<OutputFile> file = platform_.files.CreateFileExclusive(path);
    if (file) return file;
    platform_.files.CreateDirectories(folder);  // a failure shows as the file's
    return platform_.files.CreateFileExclusive(path);
  }

  static bool IsIndexed(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    const std::string extension = ToUpperAscii(path.substr(dot));
    for (const char* indexed : kIndexedExtensions) {
      if (extension == indexed) return true;
    }
    return false;
  }

  void MainProgramShortcuts() {
    const std::string name = state_.ProductName + ".lnk";
    const std::pair<bool, std::string> links[] = {
        {true, state_.ProgramsFolder + state_.Identity.StartMenuPath() + name},
        {controls_.DesktopBox.Checked, state_.DesktopFolder + name},
        {controls_.QuickLaunchBox.Checked, state_.QuickLaunchFolder + name},
    };
    for (const auto& [wanted, link] : links) {
      if (!wanted) continue;
      log_.Append(kFileRecord + link);
      CreateShellLink(platform_, link, state_.MainProgram, "");
    }
  }

  void Shortcut(std::string text) {
    if (!Accepts(TakeFirstChar(text))) return;
    const std::string link = ExpandMacros(state_, SplitFirst(text, ";"));
    const std::string program = ExpandMacros(state_, SplitFirst(text, ";"));
    const std::string arguments = ExpandMacros(state_, SplitFirst(text, ";"));
    log_.Append(kFileRecord + link);
    CreateShellLink(platform_, link, program, arguments);
  }

  void RegistryValue(std::string text) {
    if (!Accepts(TakeFirstChar(text))) return;
    Show("Registry");
    const std::string key = SplitFirst(text, ";");
    const std::string name = SplitFirst(text, ";");
    WriteRegistryValue(platform_.registry, controls_.AllUserBtn.Checked, key, name,
                       ExpandMacros(state_, text));
  }

  void FileType(std::string text) {
    if (!Accepts(TakeFirstChar(text))) return;
    const std::string extension = SplitFirst(text, ";");
    const std::string program = ExpandMacros(state_, SplitFirst(text, ";"));
    log_.Append(kFileTypeRecord + extension);
    RegisterFileType(platform_.registry, extension, program, text);
  }

  SetupState& state_;
  DialogControls& controls_;
  Platform& platform_;
  UninstallLog& log_;
};

bool RightsGranted(DialogControls& controls, Platform& platform) {
  if (platform.session.IsUserAdmin()) return true;
  const char language = LanguageInForce(controls);
  const RightsQuestion& question = language == 'G'   ? kRightsGerman
                                   : language == 'F' ? kRightsFrench
                                                     : kRightsEnglish;
  return platform.ui.AskUser(question.caption, question.text, 33);
}

void ShowProgress(DialogControls& controls, Platform& platform, std::size_t i, std::size_t n) {
  int percent = static_cast<int>(i * 100 / n);
  if (percent < 1) percent = 1;
  controls.ProgressBar.Position = percent;
  platform.ui.Repaint(PaintOf(controls.ProgressBar));
  controls.PercentLabel.Text = std::to_string(percent) + "%";
  platform.ui.Repaint(PaintOf(controls.PercentLabel));
}

// Registration first, with the digest of the bytes about to be saved; the log is saved whatever
// became of it, and its error goes on after.
void Finish(SetupState& state, Platform& platform) {
  std::exception_ptr failure;
  try {
    std::vector<UninstallValue> extras = state.Identity.uninstallValues;
    for (UninstallValue& extra : extras) {
      if (extra.name == kMacroUninstallValue) extra.value = ExpandMacros(state, extra.value);
    }
    RegisterUninstaller(platform.registry, state.ProductName, state.DestinationFolder,
                        Sha256Hex(state.Log->Bytes()), extras);
  } catch (const SetupError&) {
    failure = std::current_exception();
  }
  state.Log->Save(platform.files, state.DestinationFolder + kLogFileName);
  state.Log.reset();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

InstallOutcome RunInstallation(SetupState& state, DialogControls& controls, Platform& platform) {
  if (!RightsGranted(controls, platform)) return InstallOutcome::Declined;
  state.Log = std::make_unique<UninstallLog>();
  state.Log->Append(kProductRecord + state.ProductName);
  state.Log->Append(std::string{kLanguageRecord, LanguageInForce(controls)});
  // Paths are logged, shown and used as they came out of ExpandMacros ("C:/Apps/X",
  // "%P..\\Name.lnk"): the log is read by others too. Windows folds them when it opens them, and
  // the uninstaller folds what it reads before comparing.
  state.DestinationFolder = controls.DestinationEdit.Text;
  EnsureTrailingBackslash(state.DestinationFolder);
  state.MainProgram = ExpandMacros(state, state.MainProgram);
  Run run(state, controls, platform);
  const std::size_t n = state.ScriptLines.size();
  for (std::size_t i = 0; i < n; ++i) {
    ShowProgress(controls, platform, i, n);
    run.ActionLine(state.ScriptLines[i]);
  }
  Finish(state, platform);
  return InstallOutcome::Completed;
}

}  // namespace setup
