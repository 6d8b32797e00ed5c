#include "wizard/LanguageTexts.h"

namespace setup {
namespace {

// How the "%s" of a relabelled text is filled.
enum class Fill { None, ProductName, ProductAndVersion, UserName, SizeText, AddOnCaption };

struct Relabel {
  Control DialogControls::*control;
  const char* german;
  const char* english;
  const char* french;
  Fill fill;
};

// In the order in which the handlers set them.
constexpr Relabel kRelabels[] = {
    {&DialogControls::NextBtn, "Weiter >", "Next >", "Continuer >", Fill::None},
    {&DialogControls::BackBtn, "< Zurück", "< Back", "< Retour", Fill::None},
    {&DialogControls::CancelBtn, "Abbruch", "Cancel", "Annuler", Fill::None},
    {&DialogControls::WelcomeLabel, "Willkommen zum %s Setup Assistenten.",
     "Welcome to the %s setup assistant.", "Bienvenue à l'aide d'installation de %s.",
     Fill::ProductName},
    {&DialogControls::InstallLabel, "Setup wird \"%s\" auf Ihrem Rechner installieren.",
     "Setup will install \"%s\" on your computer.",
     "Le setup installera \"%s\" sur votre ordinateur.", Fill::ProductAndVersion},
    {&DialogControls::OneUserBtn, "Installation nur für den angemeldeten Benutzer ( %s )",
     "Installation only for the current user ( %s )",
     "Installation seulement pour l'utilisateur courant ( %s )", Fill::UserName},
    {&DialogControls::AllUserBtn, "Installation für alle Benutzer an diesem Computer",
     "Installation for all users of this computer",
     "Installation pour tous les utilisateurs de cet ordinateur", Fill::None},
    {&DialogControls::LizenzLabel,
     "Lizenzvereinbarungen:", "Licence Agreement:", "Accord De Permis:", Fill::None},
    {&DialogControls::AgreeBox, "Ich stimme den Lizenzvereinbarungen zu",
     "I accept the licence agreement", "J'accepte l'accord de permis", Fill::None},
    {&DialogControls::DestinationLabel, "%s wird in das folgende Verzeichnis installiert:",
     "%s will be installed into the following directory:",
     "%s sera installé sur le répertoire suivant:", Fill::ProductName},
    {&DialogControls::DiskSpaceLabel1, "Es werden %s Festplatten-Speicherplatz benötigt.",
     "%s harddisk space will be needed.", "%s place de mémoire de disque durs sont nécessaire.",
     Fill::SizeText},
    {&DialogControls::IconLabel,
     "Verknüpfungen mit Programmsymbolen (Ikonen):", "Links with program symbols (icons):",
     "Liens avec des symboles de programme (Icônes):", Fill::None},
    {&DialogControls::StartMenueLabel, "Programm-Ordner mit Ikonen im Windows Start-Menü anlegen",
     "Create program folder with icons in Windows start menu",
     "Créer un répertoire de programme avec des icônes dans le menu Démarrer de "
     "Windows",
     Fill::None},
    {&DialogControls::DesktopBox, "Programm-Ikone auf dem Desktop anlegen",
     "Create program icon on the desktop", "Créer une icône de programme sur le bureau",
     Fill::None},
    {&DialogControls::QuickLaunchBox, "Programm-Ikone unten in der Schnellstart-Leiste anlegen",
     "Create program icon down in the quick launch bar",
     "Créer une icône de programme vers le bas dans la barre de lancement rapide", Fill::None},
    {&DialogControls::ReadyLabel,
     "Fertig zum Installieren:", "Ready to install:", "Prêt installer:", Fill::None},
    {&DialogControls::FinishLabel, "Installation abgeschlossen.", "Installation finished.",
     "Installation fini.", Fill::None},
    {&DialogControls::NoBootLabel, "Sie brauchen Windows nicht neu zu starten.",
     "You do not need to reboot Windows.", "Vous n'avez pas besoin de recharger Windows.",
     Fill::None},
    {&DialogControls::ReadMeBox, "LiesMich-Datei anzeigen", "Show ReadMe file",
     "Indiquer le fichier LisezMoi", Fill::None},
    {&DialogControls::DirectStartBox, "%s direkt starten", "Start %s directly",
     "Lancer %s directement", Fill::ProductName},
    // The built-in captions are the vendor identity's.
    {&DialogControls::KorvaltCheckBox, "", "", "", Fill::AddOnCaption},
};

constexpr WizardTexts kGerman = {
    "Weiter >",
    "Installieren",
    "Installation abgeschlossen!",
    "Fertig!",
    "Setup ist noch nicht fertig. Wenn Sie jetzt abbrechen, wird %s nicht installiert.\r\r",
    "Setup abbrechen?",
    "Setup abbrechen",
    "Die Installation wurde nicht durchgeführt. Es wurde nichts installiert.",
    "Schließen",
    "Ungültiges Zielverzeichnis",
    "Bitte geben Sie ein Verzeichnis mit Laufwerksbuchstaben (C:\\...) oder einen Netzwerkpfad "
    "(\\\\Server\\Freigabe) an.",
};

constexpr WizardTexts kEnglish = {
    "Next >",
    "Install",
    "Installation finished!",
    "Finished!",
    "Setup is not complete. If you quit now, %s will not be installed.\r\r",
    "Exit Setup?",
    "Exit Setup",
    "The installation was not carried out. Nothing was installed.",
    "Close",
    "Invalid destination directory",
    "Please enter a directory with a drive letter (C:\\...) or a network path "
    "(\\\\server\\share).",
};

constexpr WizardTexts kFrench = {
    "Continuer >",
    "Installer",
    "Installation fini!",
    "Fini!",
    "L'installation n'est pas complète. Si vous terminez maintenant, %s ne sera pas "
    "installé.\r\r",
    "Sortez l'installation?",
    "Terminer l'installation",
    "L'installation n'a pas été effectuée. Rien n'a été installé.",
    "Fermer",
    "Répertoire de destination invalide",
    "Veuillez indiquer un répertoire avec une lettre de lecteur (C:\\...) ou un chemin "
    "réseau (\\\\serveur\\partage).",
};

const char* Pick(const Relabel& relabel, char language) {
  if (language == 'G') return relabel.german;
  if (language == 'F') return relabel.french;
  return relabel.english;
}

const std::string& AddOnCaption(const SetupState& state, char language) {
  if (language == 'G') return state.AddOnCaptionGerman;
  if (language == 'F') return state.AddOnCaptionFrench;
  return state.AddOnCaptionEnglish;
}

std::string Compose(const Relabel& relabel, const SetupState& state, char language) {
  const std::string text = Pick(relabel, language);
  switch (relabel.fill) {
    case Fill::None:
      return text;
    case Fill::ProductName:
      return FormatOne(text, state.ProductName);
    case Fill::ProductAndVersion:
      return FormatOne(text, state.ProductName + " " + state.VersionText);
    case Fill::UserName:
      return FormatOne(text, state.UserName);
    case Fill::SizeText:
      return FormatOne(text, state.SizeText);
    case Fill::AddOnCaption: {
      // A caption from a T line is used verbatim, without formatting.
      const std::string& caption = AddOnCaption(state, language);
      return caption.empty() ? state.Identity.AddOnCaption(language) : caption;
    }
  }
  return text;
}

}  // namespace

std::string FormatOne(const std::string& templateText, const std::string& value) {
  const std::size_t at = templateText.find("%s");
  if (at == std::string::npos) return templateText;
  return templateText.substr(0, at) + value + templateText.substr(at + 2);
}

void RelabelControls(DialogControls& controls, const SetupState& state, char language) {
  for (const Relabel& relabel : kRelabels) {
    (controls.*relabel.control).Text = Compose(relabel, state, language);
  }
}

const WizardTexts& TextsFor(char language) {
  if (language == 'G') return kGerman;
  if (language == 'F') return kFrench;
  return kEnglish;
}

}  // namespace setup
