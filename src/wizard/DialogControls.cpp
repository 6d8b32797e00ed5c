#include "wizard/DialogControls.h"

namespace setup {
namespace {

// Most texts of the form are German; the buttons and ActionLabel are English and each language
// button speaks its own language.
struct InitialText {
  Control DialogControls::*control;
  const char* name;
  const char* text;
};

constexpr InitialText kInitialTexts[] = {
    {&DialogControls::ActionLabel, "ActionLabel", "Installation started"},
    {&DialogControls::AgreeBox, "AgreeBox", "Ich stimme den Lizenzvereinbarungen zu"},
    {&DialogControls::AllLicenceMemo, "AllLicenceMemo", ""},
    {&DialogControls::AllUserBtn, "AllUserBtn",
     "Installation für alle Benutzer an diesem Computer"},
    {&DialogControls::BackBtn, "BackBtn", "< Back"},
    {&DialogControls::CancelBtn, "CancelBtn", "Cancel"},
    {&DialogControls::DesktopBox, "DesktopBox", "Programm-Ikone auf dem Desktop anlegen"},
    {&DialogControls::DestinationDirectoryBox, "DestinationDirectoryBox", ""},
    {&DialogControls::DestinationDriveBox, "DestinationDriveBox", ""},
    {&DialogControls::DestinationEdit, "DestinationEdit", ""},
    {&DialogControls::DestinationLabel, "DestinationLabel",
     "%s wird in dieses Verzeichnis installiert:"},
    {&DialogControls::DirectStartBox, "DirectStartBox", "%s direkt starten"},
    {&DialogControls::DiskSpaceLabel1, "DiskSpaceLabel1",
     "Es werden %s Festplatten-Speicherplatz benötigt."},
    {&DialogControls::DiskSpaceLabel2, "DiskSpaceLabel2",
     "%s Festplatten-Speicherplatz stehen zur Verfügung."},
    {&DialogControls::EnglishBox, "EnglishBox", "Install version in english language"},
    {&DialogControls::EnglishUSFlagImage, "EnglishUSFlagImage", ""},
    {&DialogControls::FinishLabel, "FinishLabel", "Installation abgeschlossen."},
    {&DialogControls::FrenchBox, "FrenchBox", "Installer la version française"},
    {&DialogControls::FrenchFlagImage, "FrenchFlagImage", ""},
    {&DialogControls::GermanBox, "GermanBox", "Installation der deutschen Version"},
    {&DialogControls::GermanFlagImage, "GermanFlagImage", ""},
    {&DialogControls::IconImage, "IconImage", ""},
    {&DialogControls::IconLabel, "IconLabel", "Verknüpfungen mit Programmsymbolen (Ikonen):"},
    {&DialogControls::InstallLabel, "InstallLabel",
     "Setup wird \"%s\" auf Ihrem Rechner installieren."},
    {&DialogControls::InstallationLabel, "InstallationLabel", "Installation"},
    {&DialogControls::KorvaltCheckBox, "KorvaltCheckBox",
     "Korvalt-Autorouter installieren (Demo-Version)"},
    {&DialogControls::LizenzLabel, "LizenzLabel", "Lizenzvereinbarungen:"},
    {&DialogControls::LizenzMemo, "LizenzMemo", ""},
    {&DialogControls::NextBtn, "NextBtn", "Next >"},
    {&DialogControls::NoBootLabel, "NoBootLabel", "Sie brauchen Windows nicht neu zu starten."},
    {&DialogControls::OneUserBtn, "OneUserBtn",
     "Installation nur für den angemeldeten Benutzer ( %s )"},
    {&DialogControls::PercentLabel, "PercentLabel", "0%"},
    {&DialogControls::ProgramFolderImage, "ProgramFolderImage", ""},
    {&DialogControls::ProgressBar, "ProgressBar", ""},
    {&DialogControls::QuickLaunchBarMEImage, "QuickLaunchBarMEImage", ""},
    {&DialogControls::QuickLaunchBarXPImage, "QuickLaunchBarXPImage", ""},
    {&DialogControls::QuickLaunchBox, "QuickLaunchBox",
     "Programm-Ikone unten in der Schnellstart-Leiste anlegen"},
    {&DialogControls::ReadMeBox, "ReadMeBox", "LiesMich-Datei anzeigen"},
    {&DialogControls::ReadyLabel, "ReadyLabel", "Fertig zum Installieren:"},
    {&DialogControls::StartMenueBox, "StartMenueBox", ""},
    {&DialogControls::StartMenueLabel, "StartMenueLabel",
     "Programm-Ordner mit Ikonen im Windows Start-Menü anlegen"},
    {&DialogControls::SummaryMemo, "SummaryMemo", ""},
    {&DialogControls::WelcomeLabel, "WelcomeLabel", "Willkommen zum %s Setup Assistenten"},
};

}  // namespace

// The state of the form resource: every control named, with its initial text and state.
DialogControls::DialogControls() {
  for (const InitialText& initial : kInitialTexts) {
    Control& control = this->*initial.control;
    control.Name = initial.name;
    control.Text = initial.text;
  }
  ActivePage = Page::Action;  // the form leaves page 6 selected; start-up picks page 0 or 1
  OneUserBtn.Checked = true;
  AllLicenceMemo.Visible = false;
  StartMenueBox.Checked = true;
  StartMenueBox.Enabled = false;
  DesktopBox.Checked = true;
  ReadMeBox.Checked = true;
  DirectStartBox.Checked = true;
  BackBtn.Enabled = false;
  NextBtn.Enabled = false;
  NextBtn.Default = true;
}

char LanguageInForce(const DialogControls& controls) {
  if (controls.GermanBox.Checked) return 'G';
  if (controls.FrenchBox.Checked) return 'F';
  return 'E';
}

}  // namespace setup
