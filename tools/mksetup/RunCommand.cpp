// mksetup run: the setup's own start-up and installation run against a simulated Windows rooted
// in a host folder, so a vendor sees on Linux what a script does before shipping it.
#include <cstdio>
#include <exception>
#include <string>

#include "Arguments.h"
#include "Commands.h"
#include "FileIo.h"
#include "ProgressLine.h"
#include "SetupExe.h"
#include "ToolError.h"
#include "install/Installation.h"
#include "payload/PayloadReader.h"
#include "platform/Error.h"
#include "platform/sim/SimPlatform.h"
#include "text/FileFormat.h"
#include "wizard/InstallChoices.h"
#include "wizard/InstallationStep.h"

namespace setup::mksetup {
namespace {

constexpr const char* kUsage =
    "usage: run setup.exe --root DIR [--language G|E|F] [--all-users] [--dest PATH] "
    "[--no-desktop] [--quick-launch] [--addon] [--not-admin] [--decline-admin]";

// The wizard's choices from the command line; what the wizard would refuse is refused when they
// are applied.
InstallChoices ChoicesOf(const Arguments& parsed) {
  InstallChoices choices;
  if (const auto language = parsed.Value("--language")) {
    if (*language != "G" && *language != "D" && *language != "E" && *language != "F") {
      throw ToolError("--language takes G, E or F, not " + *language);
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

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  AtomicOutput out(path);
  out.Write(text.data(), text.size());
  out.Commit();
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

}  // namespace

int RunCommand(const std::vector<std::string>& args) {
  const Arguments parsed = ParseArguments(args, {"--root", "--language", "--dest"},
                                          {"--all-users", "--no-desktop", "--quick-launch",
                                           "--addon", "--not-admin", "--decline-admin"});
  if (parsed.positionals.size() != 1 || !parsed.Value("--root")) throw ToolError(kUsage);
  const SetupExe exe = OpenSetupExe(parsed.positionals[0]);
  const std::filesystem::path root = *parsed.Value("--root");

  SimPlatform sim(root);
  sim.session.admin = !parsed.Flag("--not-admin");
  sim.ui.defaultAnswer = !parsed.Flag("--decline-admin");
  sim.AddDefaultSystemFolders();
  sim.resources.AddSpan(kScriptResource, exe.info);
  sim.resources.AddSpan(kPayloadResource, exe.data);
  sim.shell.SetStartsFile(root / "starts.txt");

  // The licence is measured before the start-up holds it in memory; a damaged payload is left
  // to the start-up to report, in its own order.
  try {
    LicenceSink licence(exe.name);
    PayloadReader(exe.data).NextEntry().InflateTo(licence);
  } catch (const SetupError&) {
  }

  // The dialog's own start-up and pages, walked with the choices of the command line.
  TMorvexDialog dialog(sim.platform(), EngineInstallationRun());
  dialog.FormShow();
  const std::string refused = ApplyInstallChoices(dialog, ChoicesOf(parsed));
  if (!refused.empty()) throw ToolError(refused);
  SetupState& state = dialog.State;
  DialogControls& controls = dialog.Controls;

  // Payload pages already inflated are given back, so memory stays flat however large it is.
  ProgressLine progress(stderr);
  sim.ui.onRepaint = [&](const ControlPaint& control) {
    if (control.name == controls.PercentLabel.Name) {
      progress.Show(controls.PercentLabel.Text, controls.ActionLabel.Text,
                    ProgressLine::Clock::now());
    }
    exe.image->ReleaseBefore(exe.data.data() + state.Payload->Position());
  };
  InstallOutcome outcome;
  try {
    outcome = RunInstallation(state, controls, sim.platform());
  } catch (const std::exception& error) {
    // The run's own error comes first: on a full disk the registry cannot be saved either.
    progress.Finish();
    try {
      WriteFile(root / "registry.txt", sim.registry.SaveText());
    } catch (const ToolError& saving) {
      throw ToolError(std::string(error.what()) + "; " + saving.what());
    }
    throw;
  }
  progress.Finish();
  WriteFile(root / "registry.txt", sim.registry.SaveText());
  if (outcome == InstallOutcome::Declined) {
    std::printf("the administrator question was declined: nothing was installed\n");
    return 1;
  }
  std::printf("installed into %s (simulated under %s)\n", state.DestinationFolder.c_str(),
              root.string().c_str());
  std::printf("registry: %s; %zu shortcuts; %zu program starts (in starts.txt)\n",
              (root / "registry.txt").string().c_str(), sim.shell.shortcuts.size(),
              sim.shell.starts.size());
  return 0;
}

}  // namespace setup::mksetup
