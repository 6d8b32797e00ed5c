#include "wizard/InstallationStep.h"

#include <string>

#include "wizard/InstallChoices.h"

namespace setup {

InstallationRun EngineInstallationRun() {
  return [](SetupState& state, const InstallChoices& choices, InstallProgress& progress,
            Platform& platform) { return RunInstallation(state, choices, progress, platform); };
}

void DialogProgress::Action(const std::string& text) {
  controls_.ActionLabel.Text = text;
  ui_.Repaint(PaintOf(controls_.ActionLabel));
}

void DialogProgress::Percent(int percent) {
  controls_.ProgressBar.Position = percent;
  ui_.Repaint(PaintOf(controls_.ProgressBar));
  controls_.PercentLabel.Text = std::to_string(percent) + "%";
  ui_.Repaint(PaintOf(controls_.PercentLabel));
}

InstallOutcome RunInstallation(SetupState& state, DialogControls& controls, Platform& platform) {
  DialogProgress progress(controls, platform.ui);
  return RunInstallation(state, ChoicesOnPages(controls), progress, platform);
}

}  // namespace setup
