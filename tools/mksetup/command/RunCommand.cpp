// mksetup run: the setup's own start-up and installation run against a simulated Windows rooted
// in a host folder, so a vendor sees on Linux what a script does before shipping it.
#include <cstdio>
#include <exception>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "ProgressLine.h"
#include "dryrun/SimMachine.h"
#include "dryrun/StandardUser.h"
#include "install/Installation.h"
#include "io/FileIo.h"
#include "io/ToolError.h"
#include "payload/PayloadReader.h"
#include "platform/Error.h"
#include "platform/sim/SimPlatform.h"
#include "setupexe/SetupExe.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"
#include "wizard/ErrorDisplay.h"
#include "wizard/InstallChoices.h"
#include "wizard/InstallationStep.h"

namespace setup::mksetup {
namespace {

// The exit codes: 0 installed, 1 an error message ended the run (or mksetup could not start it),
// 2 a command line the command or the wizard refuses (main), 3 the rights question declined.
constexpr int kDeclined = 3;

constexpr const char* kUsage =
    "usage: run setup.exe --root DIR [--language G|E|F] [--all-users] [--dest PATH] "
    "[--drive D=DIR]... [--profile PATH] [--no-desktop] [--quick-launch] [--addon] [--not-admin] "
    "[--decline-admin]";

// The wizard's choices from the command line; what the wizard would refuse is refused when they
// are applied.
InstallChoices ChoicesOf(const Arguments& parsed) {
  InstallChoices choices;
  if (const auto language = parsed.Value("--language")) {
    if (*language != "G" && *language != "D" && *language != "E" && *language != "F") {
      throw UsageError("--language takes G, E or F, not " + *language);
    }
    choices.language = (*language)[0];
  }
  choices.allUsers = parsed.Flag("--all-users");
  choices.destination = parsed.Value("--dest").value_or("");
  choices.desktop = !parsed.Flag("--no-desktop");
  choices.quickLaunch = parsed.Flag("--quick-launch");
  if (parsed.Flag("--addon")) choices.addOn = true;
  return choices;
}

// setup.exe keeps the whole licence text in memory and ends with a message when it cannot; the
// dry run draws the line well below what a machine has, so a hostile payload cannot exhaust it.
constexpr std::size_t kLongestLicence = 16u << 20;

// The licence is only measured here: the dry run shows no licence page.
class LicenceSink : public ByteSink {
 public:
  explicit LicenceSink(const std::string& exeName) : exeName_(exeName) {}
  void Append(const std::uint8_t*, std::size_t size) override {
    if (size > kLongestLicence - bytes_) {
      throw ToolError(exeName_, "its licence text inflates to more than 16 MB (16,777,216 bytes)");
    }
    bytes_ += size;
  }

 private:
  std::string exeName_;
  std::size_t bytes_ = 0;
};

std::string LanguageNames(const LanguageFlags& offered) {
  std::string names;
  const std::pair<bool, const char*> languages[] = {
      {offered.German, "German"}, {offered.English, "English"}, {offered.French, "French"}};
  for (const auto& [on, name] : languages) {
    if (on) names += (names.empty() ? "" : ", ") + std::string(name);
  }
  return names.empty() ? "none" : names;
}

// A second run into the same root starts from the registry the first one left, as a second
// installation on one machine does; nothing runs over a registry text that is damaged. False
// when it is, having said why.
bool StartRegistry(SimPlatform& sim, const std::filesystem::path& registryFile) {
  std::optional<std::string> earlier;
  try {
    earlier = EarlierRegistry(registryFile);
  } catch (const ToolError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return false;
  }
  if (!earlier) {
    sim.AddDefaultSystemFolders();
    return true;
  }
  try {
    sim.registry.LoadText(*earlier);
  } catch (const RegistryTextError& error) {
    std::fprintf(stderr, "%s:%zu: error: %s\n", registryFile.string().c_str(), error.Line(),
                 error.Reason().c_str());
    return false;
  }
  std::printf("the registry is the one an earlier run left in %s\n", registryFile.string().c_str());
  return true;
}

}  // namespace

int RunCommand(const std::vector<std::string>& args) {
  Arguments parsed;
  try {
    parsed = ParseArguments(args, {"--root", "--language", "--dest", "--drive", "--profile"},
                            {"--all-users", "--no-desktop", "--quick-launch", "--addon",
                             "--not-admin", "--decline-admin"});
  } catch (const ToolError& error) {
    throw UsageError(error.what());
  }
  if (parsed.positionals.size() != 1 || !parsed.Value("--root")) throw UsageError(kUsage);
  const InstallChoices choices = ChoicesOf(parsed);
  const std::map<char, std::filesystem::path> drives = DrivesOf(parsed);
  const std::optional<SimProfile> profile = ProfileOf(parsed);
  const SetupExe exe = OpenSetupExe(parsed.positionals[0]);
  const std::filesystem::path root = *parsed.Value("--root");

  SimPlatform sim(root);
  for (const auto& [letter, folder] : drives) sim.drives.MapDrive(letter, folder);
  const std::filesystem::path registryFile = root / "registry.txt";
  if (profile) sim.session.loginName = profile->loginName;
  if (!StartRegistry(sim, registryFile)) return 1;
  // An earlier run's user gives way to this one: one machine, another account.
  if (profile) UseProfile(sim, *profile);
  sim.session.admin = !parsed.Flag("--not-admin");
  // Without administrator rights the setup may write only what Windows lets such a user write.
  StandardUserRights rights;
  if (!sim.session.admin) rights.Restrict(sim.registry, sim.session.windowsFolder);
  GuardedFileSystem files(sim.files, rights);
  GuardedRegistry registry(sim.registry, rights);
  GuardedShell shell(sim.shell, rights);
  Platform platform{sim.resources, registry, files, shell, sim.disk, sim.session, sim.ui};
  sim.ui.defaultAnswer = !parsed.Flag("--decline-admin");
  // The repaints are shown as they come (below); kept, they would grow with every file.
  sim.ui.recordPaints = false;
  sim.resources.AddSpan(kScriptResource, exe.info);
  sim.resources.AddSpan(kPayloadResource, exe.data);
  // Payload pages read are given back as setup.exe gives them back, so memory stays flat however
  // large the payload and its files are.
  sim.resources.onGiveBack = [&](ByteSpan consumed) {
    exe.image->ReleaseBefore(consumed.data() + consumed.size());
  };
  if (exe.identity) sim.resources.AddSpan(kIdentityResource, *exe.identity);
  sim.shell.SetStartsFile(root / "starts.txt");
  // A link below the root or a mapped drive would take the run's files somewhere else on the
  // host: the sim refuses it, as a place it cannot reach, and the run says which it met.
  ProgressLine progress(ProgressLine::TerminalOrNone(stderr));
  std::set<std::filesystem::path> links;
  sim.drives.onLink = [&](const std::filesystem::path& link) {
    if (!links.insert(link).second) return;
    progress.Break();
    std::fprintf(stderr, "%s: error: a symbolic link, not followed\n", link.string().c_str());
  };

  // The licence is measured before the start-up holds it in memory; a damaged payload is left
  // to the start-up to report, in its own order.
  try {
    LicenceSink licence(exe.name);
    PayloadReader(exe.data).NextEntry().InflateTo(licence);
  } catch (const SetupError&) {
  }

  // Every box the run puts up is shown where it comes, on a line of its own.
  std::size_t linkProblems = 0;
  sim.ui.onAsk = [&](const SimQuestion& box, bool answer) {
    progress.Break();
    if (box.text.rfind("Problems with link ", 0) == 0) ++linkProblems;
    std::fputs(BoxText(box, answer).c_str(), stderr);
  };

  // The dialog's own start-up and pages, walked with the choices of the command line. What ends
  // the wizard is shown as its general error display shows it.
  TMorvexDialog dialog(platform, EngineInstallationRun());
  try {
    dialog.FormShow();
  } catch (const SetupError& error) {
    dialog.ShowError(error.what());
    throw;  // for the terminal, as the box was
  }
  SetupState& state = dialog.State;
  DialogControls& controls = dialog.Controls;
  std::printf("%s offers %s; the wizard opens on %s\n", exe.name.c_str(),
              LanguageNames(state.LanguagesOffered).c_str(), PageName(controls.ActivePage));
  std::fflush(stdout);
  const std::string refused = ApplyInstallChoices(dialog, choices);
  if (!refused.empty()) throw UsageError(refused);

  sim.ui.onRepaint = [&](const ControlPaint& control) {
    if (control.name == controls.PercentLabel.Name) {
      progress.Show(controls.PercentLabel.Text, controls.ActionLabel.Text,
                    ProgressLine::Clock::now());
    }
  };
  InstallOutcome outcome;
  try {
    outcome = RunInstallation(state, controls, platform);
  } catch (const std::exception& error) {
    // The run's own error comes first: on a full disk the registry cannot be saved either.
    progress.Finish();
    if (dynamic_cast<const SetupError*>(&error) != nullptr) dialog.ShowError(error.what());
    try {
      WriteTextFile(registryFile, sim.registry.SaveText());
    } catch (const ToolError& saving) {
      throw ToolError(std::string(error.what()) + "; " + saving.what());
    }
    throw;
  }
  progress.Finish();
  WriteTextFile(registryFile, sim.registry.SaveText());
  if (!links.empty()) {
    std::fprintf(stderr, "%s: %zu symbolic links met below the root or a mapped drive\n",
                 exe.name.c_str(), links.size());
    return 1;
  }
  if (outcome == InstallOutcome::Declined) {
    std::printf("the administrator question was declined: nothing was installed\n");
    return kDeclined;
  }
  std::printf("installed into %s (simulated under %s)\n", state.DestinationFolder.c_str(),
              root.string().c_str());
  std::printf("registry: %s; %zu shortcuts made, %zu not; %zu program starts (in starts.txt)\n",
              registryFile.string().c_str(), sim.shell.shortcuts.size(), linkProblems,
              sim.shell.starts.size());
  return 0;
}

}  // namespace setup::mksetup
