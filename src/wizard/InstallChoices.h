#pragma once
// The choices a user makes on the wizard's pages as one record, and the walk that makes them on
// a started dialog through the dialog's own handlers, so that a run without windows (mksetup
// run, the engine test program) is refused what the wizard refuses.
#include <optional>
#include <string>

#include "wizard/SetupDlg.h"

namespace setup {

struct InstallChoices {
  // 'G', 'E' or 'F' (or 'D' for German); 0 takes the language the script preselects, English
  // when it preselects none.
  char language = 0;
  bool allUsers = false;
  std::string destination;  // typed into DestinationEdit; empty keeps the wizard's proposal
  bool desktop = true;      // DesktopBox, ticked on the form
  bool quickLaunch = false;
  std::optional<bool> addOn;  // KorvaltCheckBox; nothing keeps what the script's T lines set
};

// Walks a dialog that has started up (FormShow) from its first page to the summary page as a
// user would: a language button is clicked only where the wizard shows it enabled, the radio
// buttons and boxes are set on their pages, the licence is accepted and Next pressed on every
// page. Returns the empty text when the summary page was reached, otherwise why the wizard
// refuses the choices. Errors of the handlers (SetupError) pass through.
std::string ApplyInstallChoices(TMorvexDialog& dialog, const InstallChoices& choices);

}  // namespace setup
