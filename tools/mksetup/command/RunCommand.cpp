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
#include "io/FileIo.h"
#include "io/ToolError.h"
#include "payload/PayloadReader.h"
#include "platform/Error.h"
#include "platform/sim/SimPlatform.h"
#include "setupexe/SetupExe.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"
#include "wizard/ErrorDisplay.h"
#include "wizard/InstallationStep.h"
#include "wizard/SetupSession.h"

namespace setup::mksetup {
namespace {

// The exit codes: 0 installed, 1 an error message ended the run (or mksetup could not start it),
// 2 a command line the command or the wizard refuses (main), 3 the rights question declined.
constexpr int kDeclined = 3;

constexpr const char* kUsage =
    "usage: run setup.exe --root DIR [--language G|E|F] [--all-users] [--dest PATH] "
    "[--drive D=DIR]... [--profile PATH] [--no-desktop] [--quick-launch] [--addon] [--not-admin] "
    "[--decline-admin] [--no-start-program] [--no-readme]";

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
  choices.startProgram = !parsed.Flag("--no-start-program");
  choices.readMe = !parsed.Flag("--no-readme");
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

// The simulated machine of one run: the sim, and the limits of a standard user put in front of
// it when the run has no administrator rights.
struct DryRunMachine {
  explicit DryRunMachine(const std::filesystem::path& root)
      : sim(root),
        files(sim.files, rights),
        registry(sim.registry, rights),
        shell(sim.shell, rights),
        platform{sim.resources, registry, files, shell, sim.disk, sim.session, sim.ui} {}

  SimPlatform sim;
  StandardUserRights rights;
  GuardedFileSystem files;
  GuardedRegistry registry;
  GuardedShell shell;
  Platform platform;
};

// The drives, the account, the registry and the rights of the command line; false when the
// registry an earlier run left cannot be taken, having said why.
bool PrepareMachine(DryRunMachine& machine, const Arguments& parsed,
                    const std::map<char, std::filesystem::path>& drives,
                    const std::optional<SimProfile>& profile,
                    const std::filesystem::path& registryFile) {
  SimPlatform& sim = machine.sim;
  for (const auto& [letter, folder] : drives) sim.drives.MapDrive(letter, folder);
  if (profile) sim.session.loginName = profile->loginName;
  if (!StartRegistry(sim, registryFile)) return false;
  // An earlier run's user gives way to this one: one machine, another account.
  if (profile) UseProfile(sim, *profile);
  sim.session.admin = !parsed.Flag("--not-admin");
  // Without administrator rights the setup may write only what Windows lets such a user write.
  if (!sim.session.admin) machine.rights.Restrict(sim.registry, sim.session.windowsFolder);
  sim.ui.defaultAnswer = !parsed.Flag("--decline-admin");
  // The repaints are shown as they come (RunSession); kept, they would grow with every file.
  sim.ui.recordPaints = false;
  return true;
}

void LoadSetupExe(SimPlatform& sim, const SetupExe& exe, const std::filesystem::path& root) {
  sim.resources.AddSpan(kScriptResource, exe.info);
  sim.resources.AddSpan(kPayloadResource, exe.data);
  // Payload pages read are given back as setup.exe gives them back, so memory stays flat however
  // large the payload and its files are.
  sim.resources.onGiveBack = [&exe](ByteSpan consumed) {
    exe.image->ReleaseBefore(consumed.data() + consumed.size());
  };
  if (exe.identity) sim.resources.AddSpan(kIdentityResource, *exe.identity);
  sim.shell.SetStartsFile(root / "starts.txt");
}

// The licence is measured before the start-up holds it in memory; a damaged payload is left to
// the start-up to report, in its own order.
void MeasureLicence(const SetupExe& exe) {
  try {
    LicenceSink licence(exe.name);
    PayloadReader(exe.data).NextEntry().InflateTo(licence);
  } catch (const SetupError&) {
  }
}

// What the run met on the way that its summary reports.
struct Encounters {
  std::set<std::filesystem::path> links;
  std::size_t linkProblems = 0;
  std::size_t startsBeforeFinish = 0;
};

// A link below the root or a mapped drive would take the run's files somewhere else on the host:
// the sim refuses it, as a place it cannot reach, and the run says which it met. Every box the
// run puts up is shown where it comes, on a line of its own.
void WatchMachine(SimPlatform& sim, ProgressLine& progress, Encounters& met) {
  sim.drives.onLink = [&](const std::filesystem::path& link) {
    if (!met.links.insert(link).second) return;
    progress.Break();
    std::fprintf(stderr, "%s: error: a symbolic link, not followed\n", link.string().c_str());
  };
  sim.ui.onAsk = [&](const SimQuestion& box, bool answer) {
    progress.Break();
    if (box.text.rfind("Problems with link ", 0) == 0) ++met.linkProblems;
    std::fputs(BoxText(box, answer).c_str(), stderr);
  };
}

// The machine as the failed run left it; the run's own error comes first, as on a full disk
// the registry cannot be saved either.
void SaveAfterError(const std::filesystem::path& registryFile, const SimRegistry& registry,
                    const std::exception& error) {
  try {
    WriteTextFile(registryFile, registry.SaveText());
  } catch (const ToolError& saving) {
    throw ToolError(std::string(error.what()) + "; " + saving.what());
  }
}

// The setup's own session, walked with the choices of the command line; what ends it is shown
// as the general error display shows it.
SessionEnd RunSession(TMorvexDialog& dialog, const InstallChoices& choices, DryRunMachine& machine,
                      ProgressLine& progress, Encounters& met, const std::string& exeName,
                      const std::filesystem::path& registryFile) {
  const DialogControls& controls = dialog.Controls;
  machine.sim.ui.onRepaint = [&](const ControlPaint& control) {
    if (control.name != controls.PercentLabel.Name) return;
    progress.Show(controls.PercentLabel.Text, controls.ActionLabel.Text,
                  ProgressLine::Clock::now());
  };
  SessionSteps steps;
  steps.started = [&] {
    std::printf("%s offers %s; the wizard opens on %s\n", exeName.c_str(),
                LanguageNames(dialog.State.LanguagesOffered).c_str(),
                PageName(controls.ActivePage));
    std::fflush(stdout);
  };
  steps.installed = [&] {
    progress.Finish();
    met.startsBeforeFinish = machine.sim.shell.starts.size();
  };
  SessionResult session;
  try {
    session = RunSetupSession(dialog, choices, steps);
  } catch (const std::exception& error) {
    progress.Finish();
    if (dynamic_cast<const SetupError*>(&error) != nullptr) dialog.ShowError(error.what());
    const Page at = controls.ActivePage;
    if (at == Page::Action || at == Page::Finish)
      SaveAfterError(registryFile, machine.sim.registry, error);
    throw;  // for the terminal, as the box was
  }
  if (session.end == SessionEnd::Refused) throw UsageError(session.refused);
  return session.end;
}

// The summary of a session that ran; the exit code.
int Report(SessionEnd end, const Encounters& met, const SimShell& shell, const SetupState& state,
           const std::string& exeName, const std::filesystem::path& root) {
  if (!met.links.empty()) {
    std::fprintf(stderr, "%s: %zu symbolic links met below the root or a mapped drive\n",
                 exeName.c_str(), met.links.size());
    return 1;
  }
  if (end == SessionEnd::NothingInstalled) {
    std::printf("the administrator question was declined: nothing was installed\n");
    return kDeclined;
  }
  std::printf("installed into %s (simulated under %s)\n", state.DestinationFolder.c_str(),
              root.string().c_str());
  std::printf(
      "registry: %s; %zu shortcuts made, %zu not; %zu program starts (in starts.txt), "
      "%zu of them from the finish page\n",
      (root / "registry.txt").string().c_str(), shell.shortcuts.size(), met.linkProblems,
      shell.starts.size(), shell.starts.size() - met.startsBeforeFinish);
  return 0;
}

}  // namespace

int RunCommand(const std::vector<std::string>& args) {
  Arguments parsed;
  try {
    parsed =
        ParseArguments(args, {"--root", "--language", "--dest", "--drive", "--profile"},
                       {"--all-users", "--no-desktop", "--quick-launch", "--addon", "--not-admin",
                        "--decline-admin", "--no-start-program", "--no-readme"});
  } catch (const ToolError& error) {
    throw UsageError(error.what());
  }
  if (parsed.positionals.size() != 1 || !parsed.Value("--root")) throw UsageError(kUsage);
  const InstallChoices choices = ChoicesOf(parsed);
  const std::map<char, std::filesystem::path> drives = DrivesOf(parsed);
  const std::optional<SimProfile> profile = ProfileOf(parsed);
  const SetupExe exe = OpenSetupExe(parsed.positionals[0]);
  const std::filesystem::path root = *parsed.Value("--root");
  const std::filesystem::path registryFile = root / "registry.txt";

  DryRunMachine machine(root);
  if (!PrepareMachine(machine, parsed, drives, profile, registryFile)) return 1;
  LoadSetupExe(machine.sim, exe, root);
  ProgressLine progress(ProgressLine::TerminalOrNone(stderr));
  Encounters met;
  WatchMachine(machine.sim, progress, met);
  MeasureLicence(exe);

  TMorvexDialog dialog(machine.platform, EngineInstallationRun());
  const SessionEnd end =
      RunSession(dialog, choices, machine, progress, met, exe.name, registryFile);
  progress.Finish();
  WriteTextFile(registryFile, machine.sim.registry.SaveText());
  return Report(end, met, machine.sim.shell, dialog.State, exe.name, root);
}

}  // namespace setup::mksetup
