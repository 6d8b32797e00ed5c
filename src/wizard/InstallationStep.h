#pragma once
// The installation run as the dialog calls it.
#include "wizard/SetupDlg.h"

namespace setup {

// RunInstallation, answering true when the user declined the administrator question.
InstallationRun EngineInstallationRun();

}  // namespace setup
