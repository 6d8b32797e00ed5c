#pragma once
// One setup from its start-up to its finish page without windows: the dialog's own handlers
// called in the order a user's clicks call them in setup.exe, so that mksetup run and the
// engine test program install, ask and start what setup.exe does.
#include <functional>
#include <string>

#include "install/InstallChoices.h"
#include "wizard/SetupDlg.h"

namespace setup {

// Where a caller may look at the dialog between the steps (to report what it shows).
struct SessionSteps {
  std::function<void()> started;    // after the start-up, on the first page
  std::function<void()> chosen;     // on the summary page, before the install step
  std::function<void()> installed;  // on the finish page, before its boxes are ticked
};

enum class SessionEnd {
  Refused,           // the wizard refuses the choices: nothing was run
  Installed,         // the run completed, the completion box was shown, the finish page left
  NothingInstalled,  // the rights question was declined: the finish page says so
};

struct SessionResult {
  SessionEnd end = SessionEnd::Refused;
  std::string refused;  // why the wizard refuses the choices
};

// FormShow, the walk with the choices (ApplyInstallChoices), the install step (Next on the
// summary page: the rights question, the run, the completion box), the finish page's two boxes
// ticked as the choices say where the page shows them, and its button (the programs started).
// Errors of the start-up, the handlers and the run (SetupError) pass through, the dialog left
// where they met it, as setup.exe leaves it under its error display.
SessionResult RunSetupSession(TMorvexDialog& dialog, const InstallChoices& choices,
                              const SessionSteps& steps = {});

}  // namespace setup
