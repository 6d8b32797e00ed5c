#include "wizard/InstallChoices.h"

#include "text/LanguageCode.h"

namespace setup {
namespace {

struct LanguageButton {
  char language;
  const char* name;
  Control DialogControls::*box;
  void (TMorvexDialog::*click)();
};

constexpr LanguageButton kLanguageButtons[] = {
    {'G', "German", &DialogControls::GermanBox, &TMorvexDialog::GermanBoxClick},
    {'E', "English", &DialogControls::EnglishBox, &TMorvexDialog::EnglishBoxClick},
    {'F', "French", &DialogControls::FrenchBox, &TMorvexDialog::FrenchBoxClick},
};

const LanguageButton* ButtonOf(char language) {
  for (const LanguageButton& button : kLanguageButtons) {
    if (button.language == language) return &button;
  }
  return nullptr;
}

std::string LanguagesOffered(const DialogControls& controls) {
  std::string names;
  for (const LanguageButton& button : kLanguageButtons) {
    if (!(controls.*button.box).Enabled) continue;
    names += (names.empty() ? "" : ", ") + std::string(button.name);
  }
  return names.empty() ? "none" : names;
}

// The language page shows only the buttons of the script's first line; a script that
// preselects a language opens on the welcome page and never shows the language page.
std::string ChooseLanguage(TMorvexDialog& dialog, char language) {
  const char preselected = dialog.State.PreselectedLanguage;
  if (language == 0) language = preselected == '*' ? 'E' : preselected;
  const LanguageButton* button = ButtonOf(LanguageOfCode(language));
  if (!button) return std::string("'") + language + "' names no language (G, E or F)";
  if (dialog.Controls.ActivePage != Page::Language) {
    const LanguageButton* shown = ButtonOf(preselected);
    if (!shown || dialog.Controls.ActivePage != Page::Welcome) {
      return std::string("the wizard stays on ") + PageName(dialog.Controls.ActivePage);
    }
    if (button == shown) return {};
    return "the script preselects " + std::string(shown->name) +
           ", so the wizard offers no other language";
  }
  if (!(dialog.Controls.*button->box).Enabled) {
    return "the script does not offer " + std::string(button->name) + " (its first line offers " +
           LanguagesOffered(dialog.Controls) + ")";
  }
  (dialog.*button->click)();
  return {};
}

// Next as the user presses it; a page that keeps the wizard where it is refuses the choices.
std::string Next(TMorvexDialog& dialog, Page to) {
  const Page from = dialog.Controls.ActivePage;
  if (dialog.Controls.NextBtn.Enabled) dialog.NextBtnClick();
  if (dialog.Controls.ActivePage == to) return {};
  return std::string("the wizard stays on ") + PageName(from);
}

}  // namespace

std::string ApplyInstallChoices(TMorvexDialog& dialog, const InstallChoices& choices) {
  DialogControls& controls = dialog.Controls;
  std::string refused = ChooseLanguage(dialog, choices.language);
  if (refused.empty() && controls.ActivePage == Page::Language)
    refused = Next(dialog, Page::Welcome);
  if (!refused.empty()) return refused;

  controls.OneUserBtn.Checked = !choices.allUsers;
  controls.AllUserBtn.Checked = choices.allUsers;
  if (choices.addOn) controls.KorvaltCheckBox.Checked = *choices.addOn;
  if (!(refused = Next(dialog, Page::Licence)).empty()) return refused;

  controls.AgreeBox.Checked = true;
  dialog.AgreeBoxClick();
  if (!(refused = Next(dialog, Page::ProgramDestination)).empty()) return refused;

  if (!choices.destination.empty()) controls.DestinationEdit.Text = choices.destination;
  if (!(refused = Next(dialog, Page::Icon)).empty()) return refused;

  controls.DesktopBox.Checked = choices.desktop;
  controls.QuickLaunchBox.Checked = choices.quickLaunch;
  return Next(dialog, Page::Summary);
}

}  // namespace setup
