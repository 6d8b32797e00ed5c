#pragma once
// The driver's command line:
//   wizard-driver.exe COMMAND [--exe SETUP] [--report FILE] [--shots DIR] [choices...]
// COMMAND: walk, cancel, every-language, back-from-every-page, refused-dest, damaged,
// enter-on-destination.
// Choices: --language G|E|F, --languages GEF (every-language: the languages in turn),
// --one-user | --all-users, --addon | --no-addon, --dest FOLDER,
// --desktop | --no-desktop, --quick-launch | --no-quick-launch, --finish-actions (leave the
// read-me and start boxes as they are and close the programs they start), --answer yes|no and
// --page PAGE (cancel: the answer to the confirmation, and the page to cancel on),
// --input-during-run (walk: Esc and a click on the greyed Cancel while the installation runs;
// every box of the run must then still wait for its answer; the action label's texts are logged
// as they change until the run's first box).
// Without --exe the driver attaches to a setup dialog that is already open.
#include <string>
#include <vector>

namespace e2e {

enum class Tick { Leave, On, Off };

struct Options {
  std::string command;
  std::string exe;
  std::string report = "wizard-report.txt";
  std::string shots;
  char language = 0;
  std::string languages;
  Tick allUsers = Tick::Leave;
  Tick addOn = Tick::Leave;
  Tick desktop = Tick::Leave;
  Tick quickLaunch = Tick::Leave;
  std::string destination;
  bool finishActions = false;
  bool inputDuringRun = false;
  bool answerYes = true;
  std::string page = "LanguagePage";
};

// Empty on success, else what is wrong with the arguments.
std::string ParseOptions(const std::vector<std::string>& args, Options& options);

bool IsCommand(const std::string& name);

}  // namespace e2e
