#include "UninstallTexts.h"

#include <cstddef>

namespace setup {
namespace {

// One row per text; the columns are German, French, English. "%1" and "%2" are filled in.
struct Text {
  const char* german;
  const char* french;
  const char* english;
};

constexpr Text kCaption = {"Deinstallation", "Désinstallation", "Uninstall"};
constexpr Text kQuestion = {
    "Möchten Sie \"%1\" und alle installierten Bestandteile von Ihrem Computer entfernen?",
    "Voulez-vous supprimer \"%1\" et tous ses composants installés de votre ordinateur ?",
    "Do you want to remove \"%1\" and all of its installed components from your computer?"};
constexpr Text kDamaged = {
    "Die Datei %1 ist beschädigt oder unvollständig (%2).\r\nEs wurde nichts entfernt.",
    "Le fichier %1 est endommagé ou incomplet (%2).\r\nRien n'a été supprimé.",
    "The file %1 is damaged or incomplete (%2).\r\nNothing has been removed."};
constexpr Text kRewritten = {
    "Die Datei %1 ist nicht die, die bei der Installation von \"%2\" gespeichert wurde: sie wurde "
    "seitdem verändert.\r\nEs wurde nichts entfernt.",
    "Le fichier %1 n'est pas celui que l'installation de \"%2\" a enregistré : il a été "
    "modifié depuis.\r\nRien n'a été supprimé.",
    "The file %1 is not the one that the installation of \"%2\" saved: it has been changed "
    "since.\r\nNothing has been removed."};
constexpr Text kOutside = {
    "Keine Deinstallationsregistrierung von \"%1\" bestätigt UnInstall.LOG. Außerhalb des "
    "Ordners %2 nennt die Datei außerdem:",
    "Aucune inscription de désinstallation de \"%1\" ne confirme UnInstall.LOG. En dehors du "
    "dossier %2, le fichier nomme aussi :",
    "No uninstall registration of \"%1\" confirms UnInstall.LOG. Outside the folder %2 the file "
    "also names:"};
constexpr Text kOutsideChoice = {
    "Sollen diese auch entfernt werden? Mit Nein wird nur entfernt, was in %1 liegt.",
    "Faut-il les supprimer aussi ? Avec Non, seul le contenu de %1 est supprimé.",
    "Remove these too? With No, only what lies in %1 is removed."};
constexpr Text kLine = {"Zeile %1: %2", "ligne %1 : %2", "line %1: %2"};
constexpr Text kRemoved = {"\"%1\" wurde entfernt.", "\"%1\" a été supprimé.",
                           "\"%1\" has been removed."};
constexpr Text kNotRemoved = {
    "Folgendes konnte nicht entfernt werden:",
    "Les éléments suivants n'ont pas pu être supprimés :", "The following could not be removed:"};
constexpr Text kSelfRemoval = {
    "UnInstall.EXE wird entfernt, sobald Sie diese Meldung schließen, und sein Ordner, wenn er "
    "dann leer ist.",
    "UnInstall.EXE sera supprimé dès que vous fermerez ce message, ainsi que son dossier "
    "s'il est alors vide.",
    "UnInstall.EXE is removed as soon as you close this message, and its folder too when it is "
    "then empty."};

struct DamageText {
  LogDamage damage;
  Text text;
};
constexpr DamageText kDamageTexts[] = {
    {LogDamage::Missing,
     {"Datei nicht gefunden oder nicht lesbar", "fichier introuvable ou illisible",
      "file not found or not readable"}},
    {LogDamage::MissingLineEnd,
     {"die letzte Zeile endet nicht mit CR LF", "la dernière ligne ne se termine pas par CR LF",
      "the last line does not end with CR LF"}},
    {LogDamage::BrokenLineEnd,
     {"Zeilenende ohne CR LF", "fin de ligne sans CR LF", "line end without CR LF"}},
    {LogDamage::NulByte,
     {"keine Textdatei (NUL-Zeichen)", "pas un fichier texte (caractère NUL)",
      "not a text file (NUL byte)"}},
    {LogDamage::NoProductRecord,
     {"die erste Zeile nennt kein Produkt", "la première ligne ne nomme aucun produit",
      "the first line names no product"}},
    {LogDamage::NoLanguageRecord,
     {"die zweite Zeile nennt keine Sprache", "la deuxième ligne ne nomme aucune langue",
      "the second line names no language"}},
    {LogDamage::UnknownKind,
     {"unbekannte Art von Eintrag", "type d'entrée inconnu", "unknown kind of record"}},
    {LogDamage::EmptyArgument, {"leerer Eintrag", "entrée vide", "empty record"}},
    {LogDamage::FileNamingFolder,
     {"Dateieintrag, der einen Ordner nennt", "entrée de fichier qui nomme un dossier",
      "a file record that names a folder"}},
    {LogDamage::FolderWithoutBackslash,
     {"Ordner ohne abschließenden Backslash", "dossier sans barre oblique inverse finale",
      "folder without a trailing backslash"}},
    {LogDamage::BadExtension,
     {"ungültige Dateierweiterung", "extension de fichier invalide", "invalid file extension"}},
    {LogDamage::ForeignPathForm,
     {"Pfad in einer Form, die Setup nie schreibt",
      "chemin sous une forme que Setup n'écrit jamais",
      "a path in a form that Setup never writes"}},
    {LogDamage::DeviceName,
     {"Pfad mit einem Gerätenamen", "chemin avec un nom de périphérique",
      "a path with a device name"}},
    {LogDamage::BadProductName,
     {"ungültiger Produktname", "nom de produit invalide", "invalid product name"}},
};

struct ProblemText {
  ProblemKind kind;
  Text text;
};
constexpr ProblemText kProblemTexts[] = {
    {ProblemKind::FileNotRemoved,
     {"Datei (in Gebrauch oder schreibgeschützt): %1",
      "fichier (en cours d'utilisation ou protégé) : %1", "file (in use or read-only): %1"}},
    {ProblemKind::FolderNotRemoved,
     {"Ordner (nicht leer): %1", "dossier (non vide) : %1", "folder (not empty): %1"}},
    {ProblemKind::AssociationChanged,
     {"Dateityp (inzwischen einem anderen Programm zugeordnet): %1",
      "type de fichier (associé depuis à un autre programme) : %1",
      "file type (now associated with another program): %1"}},
    {ProblemKind::KeyNotRemoved,
     {"Registrierungsschlüssel: %1", "clé de registre : %1", "registry key: %1"}},
    {ProblemKind::LeftAlone,
     {"außerhalb der Installation, nicht angetastet: %1",
      "hors de l'installation, laissé tel quel : %1", "outside the installation, left alone: %1"}},
};

const char* In(LogLanguage language, const Text& text) {
  switch (language) {
    case LogLanguage::German:
      return text.german;
    case LogLanguage::French:
      return text.french;
    case LogLanguage::English:
      break;
  }
  return text.english;
}

// Replaces "%1" and "%2" in one pass, so that a filled-in name holding "%2" stays as it is.
std::string Fill(const std::string& text, const std::string& first,
                 const std::string& second = {}) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
      out += text[++i] == '1' ? first : second;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string DamageReason(LogLanguage language, LogDamage damage) {
  for (const DamageText& entry : kDamageTexts)
    if (entry.damage == damage) return In(language, entry.text);
  return {};
}

std::string ProblemLine(LogLanguage language, const RemovalProblem& problem) {
  for (const ProblemText& entry : kProblemTexts)
    if (entry.kind == problem.kind) return Fill(In(language, entry.text), problem.target);
  return problem.target;
}

}  // namespace

std::string UninstallCaption(LogLanguage language) {
  return In(language, kCaption);
}

std::string RemoveQuestion(LogLanguage language, const std::string& productName) {
  return Fill(In(language, kQuestion), productName);
}

std::string RewrittenLogMessage(LogLanguage language, const std::string& logPath,
                                const std::string& productName) {
  return Fill(In(language, kRewritten), logPath, productName);
}

std::string OutsideQuestion(LogLanguage language, const std::string& productName,
                            const std::string& destination,
                            const std::vector<std::string>& outside) {
  // A box taller than the screen hides its buttons: the first few items show what is meant.
  constexpr std::size_t kShown = 12;
  std::string text = Fill(In(language, kOutside), productName, destination);
  for (std::size_t i = 0; i < outside.size() && i < kShown; ++i) text += "\r\n" + outside[i];
  if (outside.size() > kShown) text += "\r\n...";
  return text + "\r\n\r\n" + Fill(In(language, kOutsideChoice), destination);
}

std::string DamagedLogMessage(LogLanguage language, const std::string& logPath, LogDamage damage,
                              int line) {
  std::string reason = DamageReason(language, damage);
  if (line > 0) reason = Fill(In(language, kLine), std::to_string(line), reason);
  return Fill(In(language, kDamaged), logPath, reason);
}

std::string FinalMessage(LogLanguage language, const std::string& productName,
                         const std::vector<RemovalProblem>& problems, bool selfRemovalStarted) {
  std::string text = Fill(In(language, kRemoved), productName);
  if (!problems.empty()) {
    text += "\r\n\r\n";
    text += In(language, kNotRemoved);
    for (const RemovalProblem& problem : problems) text += "\r\n" + ProblemLine(language, problem);
  }
  if (selfRemovalStarted) text += std::string("\r\n\r\n") + In(language, kSelfRemoval);
  return text;
}

}  // namespace setup
