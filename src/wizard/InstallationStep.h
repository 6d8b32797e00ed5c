#pragma once
// The installation run as the dialog calls it, and its progress shown on the action page.
#include "install/Installation.h"
#include "wizard/SetupDlg.h"

namespace setup {

// RunInstallation.
InstallationRun EngineInstallationRun();

// The action page's label, bar and percentage, each repainted as it changes: the run pumps no
// messages, so nothing else would draw them.
class DialogProgress : public InstallProgress {
 public:
  DialogProgress(DialogControls& controls, UserInterface& ui) : controls_(controls), ui_(ui) {}
  void Action(const std::string& text) override;
  void Percent(int percent) override;
  void StillWorking() override { ui_.StillWorking(); }

 private:
  DialogControls& controls_;
  UserInterface& ui_;
};

// The run with the choices the controls hold and its progress on them, for a caller that walks
// the pages itself and leaves the install step out.
InstallOutcome RunInstallation(SetupState& state, DialogControls& controls, Platform& platform);

}  // namespace setup
