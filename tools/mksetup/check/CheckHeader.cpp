#include <string>

#include "check/CheckRules.h"
#include "install/SystemEffects.h"
#include "text/FileFormat.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace {

void CheckHeaderLine(Checker& checker, const ScriptLine& line) {
  std::string rest = line.text;
  const char code = ToUpperAscii(TakeFirstChar(rest));
  if (code == '\0') return;  // an empty header line is one of the eight and sets nothing
  if (code != 'D' && kActionCodes.find(code) != std::string_view::npos) {
    checker.Fail(line.number, "header-shifted",
                 std::string("a ") + code +
                     " line stands in the eight header places (lines 2 to 9): it is read as a "
                     "header line and never carried out; is a header line missing above it?");
    return;
  }
  if (kHeaderCodes.find(code) == std::string_view::npos) {
    checker.Warn(line.number, "header-code",
                 "unknown header code letter " + Quote(line.text[0]) + ": the line is ignored");
    return;
  }
  if (code == 'D' && rest.size() > 1 && IsLanguageCode(rest[0]) && HasMacro(rest)) {
    checker.Fail(line.number, "header-shifted",
                 "this is an action D line in the header places (lines 2 to 9): the setup "
                 "takes it as the default sub-folder " +
                     Shown(rest) + " and never creates the folder");
  }
  if (code == 'H' || code == 'M') CheckMacros(checker, line.number, rest);
  if (code == 'M' &&
      std::string_view("GDEF").find(ToUpperAscii(rest[0])) == std::string_view::npos) {
    checker.Warn(line.number, "readme-language",
                 "read-me line with language code " + Quote(rest.empty() ? 0 : rest[0]) +
                     ": only G, D, E and F set a read-me; the line sets nothing");
  }
  if (code == 'N' && rest.size() > 1 && Utf16Length(rest.substr(1)) > kLongestKeyName) {
    // The product's name is the name of its uninstall key.
    checker.Fail(line.number, "name-long",
                 "the product's name is " + std::to_string(Utf16Length(rest.substr(1))) +
                     " characters long, and Windows allows 255 for the name of its uninstall "
                     "key: the installation is not registered for uninstalling");
  }
  if (code == 'N' && rest.size() > 1 && rest.find('\\', 1) != std::string::npos) {
    // The name is the last name of the uninstall key: a backslash nests the key, which the
    // Apps list does not show and the uninstaller does not remove.
    checker.Fail(line.number, "name-backslash",
                 "the product's name holds a backslash: its uninstall key would be nested "
                 "below another, which Windows does not list and UnInstall.EXE does not remove");
  }
  if (code == 'N' && !rest.empty() && !IsLanguageCode(rest[0])) {
    checker.Warn(
        line.number, "language-code",
        "language code " + Quote(rest[0]) + " is not one of * G D E F: no language is preselected");
  }
}

}  // namespace

void CheckLanguages(Checker& checker, const SetupState& state) {
  const std::string& first = checker.script.lines[0].text;
  const LanguageFlags& offered = state.LanguagesOffered;
  if (!offered.German && !offered.English && !offered.French) {
    const std::string upper = ToUpperAscii(first) + "   ";
    const bool lower = upper[0] == 'G' || upper[0] == 'D' || upper[1] == 'E' || upper[2] == 'F';
    checker.Fail(1, "languages",
                 "the first line " + Shown(first) + " offers no language" +
                     (lower ? ": the setup compares it exactly, so lower-case letters offer "
                              "nothing; write " +
                                  Shown(ToUpperAscii(first))
                            : " (G or D, E, F in upper case at positions 1 to 3)") +
                     "; no language button could be chosen");
    return;
  }
  const char preselected = state.PreselectedLanguage;
  const bool available = preselected == '*' || (preselected == 'G' && offered.German) ||
                         (preselected == 'E' && offered.English) ||
                         (preselected == 'F' && offered.French);
  if (!available) {
    checker.Fail(HeaderLineOf(checker.script, 'N'), "preselect-not-offered",
                 std::string("the N line preselects ") + preselected + ", which the first line " +
                     Shown(first) + " does not offer");
  }
}

void CheckHeader(Checker& checker, const SetupState& state) {
  CheckLanguages(checker, state);
  for (std::size_t i = 1; i < kLeadingLines; ++i) CheckHeaderLine(checker, checker.script.lines[i]);
  if (!HeaderLineOf(checker.script, 'S')) {
    std::size_t place = 2;
    for (std::size_t i = kLeadingLines - 1; i >= 1; --i) {
      if (checker.script.lines[i].text.empty()) place = i + 1;
    }
    checker.Fail(place, "no-size-line",
                 "the header has no S line: write S0 on line " + std::to_string(place) +
                     " (one of the header lines 2 to 9); mksetup build fills in the size");
  }
  if (!HeaderLineOf(checker.script, 'N')) {
    checker.Warn(2, "no-name-line", "the header has no N line: the product has no name");
  }
}

}  // namespace setup::mksetup
