#pragma once
// The installation run: the one operation of the setup that changes the machine.
#include "install/InstallChoices.h"
#include "install/InstallProgress.h"
#include "platform/Platform.h"
#include "script/SetupState.h"

namespace setup {

enum class InstallOutcome {
  Completed,  // every line done, uninstaller registered, UnInstall.LOG saved
  Declined,   // the rights question was answered Cancel: nothing was written
};

// Carries out the action lines of state.ScriptLines against the platform with the user's
// choices, reporting each line to progress; keeps the uninstall log of its own and saves it at
// the end. Sets state.DestinationFolder and expands state.MainProgram. Errors leave it as
// SetupError: in the loop before anything is registered or logged; in the registration after
// UnInstall.LOG has been saved.
InstallOutcome RunInstallation(SetupState& state, const InstallChoices& choices,
                               InstallProgress& progress, Platform& platform);

}  // namespace setup
