#pragma once
// The choices a user makes on the wizard's pages, as one record: the wizard's walk makes them
// on the dialog, the installation run follows them, the finish page's boxes end the session.
#include <optional>
#include <string>

namespace setup {

struct InstallChoices {
  // 'G', 'E' or 'F' (or 'D' for German); 0 takes the language the script preselects, English
  // when it preselects none. The run takes any other character for no language: only the lines
  // for every language, in English.
  char language = 0;
  bool allUsers = false;
  std::string destination;  // typed into DestinationEdit; empty keeps the wizard's proposal
  bool desktop = true;      // DesktopBox, ticked on the form
  bool quickLaunch = false;
  std::optional<bool> addOn;  // KorvaltCheckBox; nothing keeps what the script's T lines set
  bool startProgram = true;   // DirectStartBox of the finish page, ticked on the form
  bool readMe = true;         // ReadMeBox of the finish page, ticked on the form
};

// The language the run follows: 'G', 'E' or 'F', or '*' for none (see InstallChoices).
char ChosenLanguage(const InstallChoices& choices, char preselected);

// The language of the run's texts and log: the chosen one, English for none.
char TextLanguage(const InstallChoices& choices, char preselected);

}  // namespace setup
