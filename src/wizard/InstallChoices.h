#pragma once
// The user's choices made on a started dialog through the dialog's own handlers, so that a run
// without windows (mksetup run, the engine test program) is refused what the wizard refuses;
// and the choices read back from the pages for the install step.
#include <string>

#include "install/InstallChoices.h"
#include "wizard/SetupDlg.h"

namespace setup {

// Walks a dialog that has started up (FormShow) from its first page to the summary page as a
// user would: a language button is clicked only where the wizard shows it enabled, the radio
// buttons and boxes are set on their pages, the licence is accepted and Next pressed on every
// page. Returns the empty text when the summary page was reached, otherwise why the wizard
// refuses the choices. Errors of the handlers (SetupError) pass through. The finish page's
// boxes are the session's to tick.
std::string ApplyInstallChoices(TMorvexDialog& dialog, const InstallChoices& choices);

// What the pages hold: the selected language button ('*' when none is), the radio buttons, the
// destination typed, the shortcut, add-on and finish boxes.
InstallChoices ChoicesOnPages(const DialogControls& controls);

}  // namespace setup
