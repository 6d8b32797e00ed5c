// engine-run.exe REPORT [switches]: the setup's start-up and installation run on the real
// Windows without the dialog's windows. The choices made on the dialog's pages come from
// switches (EngineOptions.h); message boxes are real and answered by BoxAnswerer. The report lists,
// one "Name=[value]" per line: the administrator check, the resolved folders, every repaint of the
// action and percent labels, every message box, how the run ended and the process's peak working
// set in bytes (PeakWorkingSet: the payload's pages are given back as the run reads them).
// Exit code: 0 completed, 3 declined, 1 an error ended the run, 2 bad command line.
#include <objbase.h>
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "BoxAnswerer.h"
#include "EngineOptions.h"
#include "install/Installation.h"
#include "platform/Error.h"
#include "platform/win32/ProgramStart.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Owned.h"
#include "platform/win32/Win32Platform.h"
#include "wizard/InstallChoices.h"
#include "wizard/InstallationStep.h"

namespace engine_e2e {
namespace {

class Report {
 public:
  void Add(const char* name, const std::string& value) {
    text_ += std::string(name) + "=[" + value + "]\r\n";
  }
  bool Save(const std::string& path) const {
    std::FILE* file = _wfopen(setup::Utf16FromUtf8(path).c_str(), L"wb");
    if (!file) return false;
    const bool written = std::fwrite(text_.data(), 1, text_.size(), file) == text_.size();
    return std::fclose(file) == 0 && written;
  }

 private:
  std::string text_;
};

setup::InstallChoices ChoicesOf(const EngineOptions& options) {
  setup::InstallChoices choices;
  choices.language = options.language;
  choices.allUsers = options.allUsers;
  choices.destination = options.destination;
  choices.desktop = options.desktop;
  choices.quickLaunch = options.quickLaunch;
  choices.addOn = options.addOn;
  return choices;
}

void AddFolders(Report& report, const setup::SetupState& state) {
  report.Add("ProgramFiles", state.ProgramFilesFolder);
  report.Add("AppData", state.AppDataFolder);
  report.Add("Desktop", state.DesktopFolder);
  report.Add("Programs", state.ProgramsFolder);
  report.Add("QuickLaunch", state.QuickLaunchFolder);
}

// The dialog's start-up and pages walked with the switches' choices, then the run itself,
// without the dialog's action page around it.
int Run(Report& report, setup::TMorvexDialog& dialog, setup::Platform& platform,
        const EngineOptions& options) {
  try {
    report.Add("Admin", platform.session.IsUserAdmin() ? "1" : "0");
    dialog.FormShow();
    const std::string refused = setup::ApplyInstallChoices(dialog, ChoicesOf(options));
    if (!refused.empty()) throw setup::SetupError(refused);
    AddFolders(report, dialog.State);
    const setup::InstallOutcome outcome =
        setup::RunInstallation(dialog.State, dialog.Controls, platform);
    report.Add("MainProgram", dialog.State.MainProgram);
    const bool completed = outcome == setup::InstallOutcome::Completed;
    report.Add("Outcome", completed ? "Completed" : "Declined");
    return completed ? 0 : 3;
  } catch (const std::exception& error) {
    report.Add("Outcome", "Error");
    report.Add("Error", error.what());
    return 1;
  }
}

int Main(const EngineOptions& options) {
  // COM for shell links, in the single-threaded apartment as the setup's GUI thread has it.
  setup::win32::ComApartment com;
  setup::Win32Platform windows;
  setup::Platform platform = windows.Get();
  setup::TMorvexDialog dialog(platform, setup::EngineInstallationRun());
  const setup::DialogControls& controls = dialog.Controls;
  Report report;
  windows.ui.SetRepaint([&](const setup::ControlPaint& control) {
    if (control.name == controls.ActionLabel.Name) report.Add("Action", std::string(control.text));
    if (control.name == controls.PercentLabel.Name)
      report.Add("Percent", std::string(control.text));
  });
  int rc = 0;
  std::vector<AnsweredBox> boxes;
  {
    BoxAnswerer answerer(options.answers);
    rc = Run(report, dialog, platform, options);
    boxes = answerer.Boxes();
  }
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
    report.Add("PeakWorkingSet", std::to_string(memory.PeakWorkingSetSize));
  for (const AnsweredBox& box : boxes) {
    report.Add("BoxCaption", box.caption);
    report.Add("BoxText", box.text);
    report.Add("BoxAnswer", box.answer);
  }
  if (!report.Save(options.report)) {
    std::fprintf(stderr, "cannot write %s\n", options.report.c_str());
    return 2;
  }
  return rc;
}

}  // namespace
}  // namespace engine_e2e

int main() {
  // In UTF-16 and then UTF-8: a destination of any script reaches the run unchanged.
  const std::vector<std::string> arguments = setup::ProgramArguments();
  const auto options = engine_e2e::ParseEngineOptions(
      {arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end()});
  if (!options) {
    std::fprintf(stderr,
                 "usage: engine-run REPORT [--language G|E|F] [--all-users] [--destination PATH]"
                 " [--desktop] [--quick-launch] [--add-on] [--answer ok|cancel|yes|no]...\n");
    return 2;
  }
  return engine_e2e::Main(*options);
}
