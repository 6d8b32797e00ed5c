#include "wizard/InstallationStep.h"

#include "install/Installation.h"

namespace setup {

InstallationRun EngineInstallationRun() {
  return [](SetupState& state, DialogControls& controls, Platform& platform) {
    return RunInstallation(state, controls, platform) == InstallOutcome::Declined;
  };
}

}  // namespace setup
