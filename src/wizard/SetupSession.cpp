#include "wizard/SetupSession.h"

#include "wizard/InstallChoices.h"

namespace setup {
namespace {

// A user ticks or clears only a box the page shows; a hidden one keeps what the page set.
void Tick(Control& box, bool wanted) {
  if (box.Visible) box.Checked = wanted;
}

}  // namespace

SessionResult RunSetupSession(TMorvexDialog& dialog, const InstallChoices& choices,
                              const SessionSteps& steps) {
  dialog.FormShow();
  if (steps.started) steps.started();
  SessionResult result;
  result.refused = ApplyInstallChoices(dialog, choices);
  if (!result.refused.empty()) return result;
  if (steps.chosen) steps.chosen();
  dialog.NextBtnClick();
  if (steps.installed) steps.installed();
  DialogControls& controls = dialog.Controls;
  Tick(controls.DirectStartBox, choices.startProgram);
  Tick(controls.ReadMeBox, choices.readMe);
  dialog.CancelBtnClick();
  result.end = dialog.NothingInstalled() ? SessionEnd::NothingInstalled : SessionEnd::Installed;
  return result;
}

}  // namespace setup
