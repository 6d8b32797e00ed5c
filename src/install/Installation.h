#pragma once
// The installation run: the one operation of the setup that changes the machine.
#include "platform/Platform.h"
#include "script/SetupState.h"
#include "wizard/DialogControls.h"

namespace setup {

enum class InstallOutcome {
  Completed,  // every line done, uninstaller registered, UnInstall.LOG saved
  Declined,   // the rights question was answered Cancel: nothing was written
};

// Carries out the action lines of state.ScriptLines against the platform. Errors leave it as
// SetupError: in the loop before anything is registered or logged; in the registration after
// UnInstall.LOG has been saved.
InstallOutcome RunInstallation(SetupState& state, DialogControls& controls, Platform& platform);

}  // namespace setup
