#include "Check.h"

#include <algorithm>
#include <map>
#include <span>
#include <string_view>
#include <utility>

#include "Build.h"
#include "CheckPaths.h"
#include "FileIo.h"
#include "MappedFile.h"
#include "SetupExe.h"
#include "SourceMap.h"
#include "Text1252.h"
#include "ToolError.h"
#include "install/SystemEffects.h"
#include "platform/Registry.h"
#include "script/Macros.h"
#include "script/Paths.h"
#include "script/ScriptHeader.h"
#include "text/FileFormat.h"
#include "text/FolderPath.h"
#include "text/LanguageCode.h"
#include "text/ScriptText.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kHeaderCodes = "DHMNSV";
constexpr std::string_view kActionCodes = "DEFKRXT";
constexpr std::string_view kLanguageCodes = "*GDEF";
constexpr std::string_view kMacroLetters = "SADPQ";

// Extensions a typical Windows has a program for already: taking them over is rarely meant.
constexpr std::string_view kCommonExtensions[] = {
    "DOC", "DOCX", "XLS", "XLSX", "PPT", "PPTX", "PDF", "RTF", "CSV", "XML",  "LOG",
    "ZIP", "CAB",  "JPG", "JPEG", "PNG", "GIF",  "BMP", "ICO", "TIF", "TIFF", "MP3",
    "WAV", "MID",  "AVI", "MP4",  "MPG", "WMA",  "WMV", "MOV", "CHM", "HLP",  "TTF",
    "FON", "CSS",  "MSC", "PS1",  "JAR", "ISO",  "7Z",  "RAR", "CUR", "DAT"};

std::string Shown(const std::string& text1252) {
  return "\"" + Utf8From1252(text1252) + "\"";
}

struct Checker {
  const ScriptFile& script;
  const CheckOptions& options;
  SetupState typical;  // the folders a typical one-user installation resolves
  std::vector<Finding> findings;
  std::vector<FileLine> files;  // the script's F lines, taken from it once

  void Warn(std::size_t line, const char* code, std::string reason) {
    findings.push_back({line, Severity::Warning, std::move(reason), code, {}});
  }
  void Fail(std::size_t line, const char* code, std::string reason) {
    findings.push_back({line, Severity::Error, std::move(reason), code, {}});
  }
  std::string Expanded(const std::string& text) const {
    return ToUpperAscii(ExpandMacros(typical, text));
  }
};

bool IsLanguageCode(char c) {
  return kLanguageCodes.find(ToUpperAscii(c)) != std::string_view::npos;
}

// Whether a line of language `creator` has taken effect whenever one of `user` does.
bool Covers(char creator, char user) {
  const char c = NormaliseLanguageCode(creator), u = NormaliseLanguageCode(user);
  return c == '*' || c == u;
}

bool HasMacro(const std::string& text) {
  const std::string upper = ToUpperAscii(text);
  for (std::size_t at = upper.find('%'); at != std::string::npos; at = upper.find('%', at + 1)) {
    if (at + 1 < upper.size() && kMacroLetters.find(upper[at + 1]) != std::string_view::npos)
      return true;
  }
  return false;
}

// The folder part of a macro text: "%S" itself for "%SName.lnk".
std::string FolderOf(const std::string& path) {
  const std::string folder = FolderPart(path);
  if (folder.empty() && path.size() >= 2 && path[0] == '%') return path.substr(0, 2);
  return folder;
}

std::string Quote(char c) {
  if (c == '\0') return "none";
  return std::string("'") + Utf8From1252(std::string(1, c)) + "'";
}

// A percent sign before a letter that names no macro: the setup leaves it as it is.
void CheckMacros(Checker& checker, std::size_t line, const std::string& field) {
  for (std::size_t at = field.find('%'); at != std::string::npos; at = field.find('%', at + 1)) {
    if (at + 1 >= field.size()) break;
    const char letter = ToUpperAscii(field[at + 1]);
    if (letter < 'A' || letter > 'Z' || kMacroLetters.find(letter) != std::string_view::npos) {
      continue;
    }
    checker.Fail(line, "unknown-macro",
                 "%" + std::string(1, field[at + 1]) + " in " + Shown(field) +
                     " is no macro (only %S, %A, %D, %P and %Q are): the setup writes it as it "
                     "stands");
  }
}

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
  if (code == 'N' && rest.size() > 1 + kLongestKeyName) {
    // The product's name is the name of its uninstall key.
    checker.Fail(line.number, "name-long",
                 "the product's name is " + std::to_string(rest.size() - 1) +
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

std::size_t HeaderLineOf(const ScriptFile& script, char code) {
  std::size_t found = 0;  // the last one: a later line replaces an earlier one
  for (std::size_t i = 1; i < kLeadingLines; ++i) {
    if (!script.lines[i].text.empty() && ToUpperAscii(script.lines[i].text[0]) == code) {
      found = i + 1;
    }
  }
  return found;
}

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

bool IsKeyNearMiss(const std::string& key, const std::string& addOnKey) {
  if (key == addOnKey) return false;
  std::string trimmed = key;
  trimmed.erase(0, trimmed.find_first_not_of(' '));
  trimmed.erase(trimmed.find_last_not_of(' ') + 1);
  return ToUpperAscii(trimmed) == addOnKey || EditDistance(key, addOnKey) <= 2 ||
         EditDistance(ToUpperAscii(trimmed), addOnKey) <= 2;
}

// The folders that lines before the current one create, with their language: a D line's folder
// and its parents, an F line's folder part and its parents.
struct CreatedFolder {
  std::string folder;  // expanded, upper-cased, ends in a backslash
  char language;
  std::size_t line;
};

class FolderTracker {
 public:
  explicit FolderTracker(const Checker& checker) : checker_(checker) {
    for (const std::string& folder : {checker.typical.DesktopFolder, checker.typical.ProgramsFolder,
                                      checker.typical.QuickLaunchFolder}) {
      system_.push_back(ToUpperAscii(folder));
    }
  }
  void Add(const std::string& folder, char language, std::size_t line) {
    std::string expanded = checker_.Expanded(folder);
    if (expanded.empty()) return;
    EnsureTrailingBackslash(expanded);
    created_.push_back({expanded, language, line});
  }
  bool Exists(const std::string& folder, char language) const {
    std::string expanded = checker_.Expanded(folder);
    EnsureTrailingBackslash(expanded);
    if (std::find(system_.begin(), system_.end(), expanded) != system_.end()) return true;
    return std::any_of(created_.begin(), created_.end(), [&](const CreatedFolder& created) {
      return Covers(created.language, language) && created.folder.rfind(expanded, 0) == 0;
    });
  }

 private:
  const Checker& checker_;
  std::vector<std::string> system_;
  std::vector<CreatedFolder> created_;
};

// what names the shortcut in the finding; empty: "the shortcut" and its path. Built only for a
// finding, as most shortcuts have none.
void CheckShortcutFolder(Checker& checker, const FolderTracker& folders, std::size_t line,
                         char language, const std::string& shortcut, std::string_view what = {}) {
  if (!IsLanguageCode(language)) return;  // never carried out
  const std::string folder = FolderOf(shortcut);
  if (folders.Exists(folder, language)) return;
  checker.Fail(line, "shortcut-folder",
               "the folder " + Shown(folder) + " of " +
                   (what.empty() ? "the shortcut " + Shown(shortcut) : std::string(what)) +
                   " is created by no D line before it and is no system folder: the setup "
                   "shows \"Problems with link\"; put the line " +
                   Shown(std::string("D") + (language == '*' ? '*' : language) + folder) +
                   " before line " + std::to_string(line));
}

void CheckRegistryLine(Checker& checker, const ScriptLine& line, std::string rest) {
  const std::string key = SplitFirst(rest, ";");
  const std::string name = SplitFirst(rest, ";");
  const std::string& value = rest;
  CheckMacros(checker, line.number, value);
  // Windows refuses longer names: the key is then not made and the line has no effect, and a
  // value name too long ends the installation.
  for (std::size_t start = 0; start <= key.size();) {
    const std::size_t end = std::min(key.find('\\', start), key.size());
    if (end - start > kLongestKeyName) {
      checker.Fail(line.number, "r-key-name",
                   "a name in the key is " + std::to_string(end - start) + " characters long (" +
                       Shown(key.substr(start, 20)) +
                       "...), and Windows allows 255: the setup cannot make the key and the line "
                       "does nothing");
      break;
    }
    start = end + 1;
  }
  if (name.size() > kLongestValueName) {
    checker.Fail(line.number, "r-value-name",
                 "the value's name is " + std::to_string(name.size()) +
                     " characters long, and Windows allows 16383: the installation stops with "
                     "\"Failed to set data for '...'\"");
  }
  const std::string upperKey = ToUpperAscii(key);
  for (const char* hive : {"HKEY_", "HKLM\\", "HKCU\\", "HKCR\\", "HKU\\", "HKCC\\"}) {
    if (upperKey.rfind(hive, 0) != 0) continue;
    checker.Fail(line.number, "r-hive",
                 "the key " + Shown(key) +
                     " starts with a hive name: the setup writes every R line under "
                     "HKEY_CURRENT_USER (HKEY_USERS\\.DEFAULT for all users) and takes " +
                     Shown(key.substr(0, key.find('\\'))) + " as a sub-key's name");
    break;
  }
  if (!IsIntegerText(value)) return;
  const bool negative = value[0] == '-';
  const std::string digits = value.substr(negative ? 1 : 0);
  const std::string significant =
      digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
  const std::string limit = negative ? "2147483648" : "2147483647";
  const bool tooLarge = significant.size() > limit.size() ||
                        (significant.size() == limit.size() && significant > limit);
  if (tooLarge) {
    checker.Fail(line.number, "r-range",
                 "the value " + Shown(value) +
                     " is a whole number, so the setup writes it as a 32-bit number, but it lies "
                     "outside -2147483648 to 2147483647: the installation stops with \"'" +
                     Utf8From1252(value) + "' is not a valid integer value\"");
  }
}

void CheckFileTypeLine(Checker& checker, const ScriptLine& line, std::string rest) {
  const std::string extension = SplitFirst(rest, ";");
  const std::string program = SplitFirst(rest, ";");
  const std::string& description = rest;
  CheckMacros(checker, line.number, program);
  if (extension.empty() || extension[0] == '.' || extension.find(' ') != std::string::npos) {
    checker.Fail(line.number, "x-extension",
                 "the extension " + Shown(extension) +
                     " must be written without a dot and without blanks (\"T5107\"): the setup "
                     "registers the key \".\" followed by it as written");
    return;
  }
  if (description.empty()) {
    checker.Fail(line.number, "x-description",
                 "the file type of " + Shown(extension) +
                     " has no description (extension;program;description): Explorer shows it "
                     "without a name");
  }
  const std::string upper = ToUpperAscii(extension);
  const auto in = [&](const auto& list) {
    return std::find(std::begin(list), std::end(list), upper) != std::end(list);
  };
  if (in(kSystemExtensions)) {
    checker.Fail(line.number, "x-system",
                 "." + Utf8From1252(extension) +
                     " is a file type that Windows itself depends on: registering it takes "
                     "it over for the whole system");
  } else if (in(kCommonExtensions)) {
    checker.Warn(line.number, "x-common",
                 "." + Utf8From1252(extension) +
                     " already belongs to a program on a typical Windows: the setup takes it "
                     "over");
  }
}

// The program an E line starts: its first word, or the quoted text at its start.
std::string ProgramOf(const std::string& command) {
  if (!command.empty() && command[0] == '"') return command.substr(1, command.find('"', 1) - 1);
  return command.substr(0, command.find(' '));
}

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
         path.rfind("\\\\", 0) == 0;
}

struct Installed {
  std::string path;  // expanded, upper-cased
  char language;
};

bool IsInstalled(const Checker& checker, std::span<const Installed> installed,
                 const std::string& path, char language) {
  const std::string wanted = checker.Expanded(path);
  return std::any_of(installed.begin(), installed.end(), [&](const Installed& file) {
    return file.path == wanted && Covers(file.language, language);
  });
}

std::vector<Installed> InstalledFiles(const Checker& checker) {
  std::vector<Installed> installed;
  for (const FileLine& line : checker.files) {
    installed.push_back({checker.Expanded(line.path), line.language});
  }
  return installed;
}

void CheckNamedFiles(Checker& checker, const SetupState& state,
                     const std::vector<Installed>& installed, const std::string& mainProgram) {
  if (!mainProgram.empty() &&
      !std::any_of(installed.begin(), installed.end(),
                   [&](const Installed& file) { return file.path == mainProgram; })) {
    checker.Fail(HeaderLineOf(checker.script, 'H'), "not-installed",
                 "the main program " + Shown(state.MainProgram) +
                     " is installed by no F line: the setup makes no shortcuts for it and "
                     "cannot start it at the end");
  }
  for (std::size_t i = 1; i < kLeadingLines; ++i) {
    std::string rest = checker.script.lines[i].text;
    if (ToUpperAscii(TakeFirstChar(rest)) != 'M') continue;
    const char language = TakeFirstChar(rest);
    if (!IsLanguageCode(language) || language == '*' || rest.empty()) continue;
    if (IsInstalled(checker, installed, rest, language)) continue;
    checker.Fail(i + 1, "not-installed",
                 "the read-me " + Shown(rest) +
                     " is installed by no F line of its language: the setup offers to show a "
                     "file that is not there");
  }
}

void CheckUninstaller(Checker& checker, const std::vector<Installed>& installed) {
  const std::string wanted = checker.Expanded("%SUnInstall.EXE");
  if (std::any_of(installed.begin(), installed.end(),
                  [&](const Installed& file) { return file.path == wanted; })) {
    return;
  }
  checker.Fail(0, "no-uninstaller",
               "no F line installs UnInstall.EXE into %S (F*%SUnInstall.EXE): the uninstall "
               "registration would point at nothing");
}

void CheckProgramStart(Checker& checker, const ScriptLine& line, char language,
                       std::span<const Installed> installed, const std::string& command) {
  CheckMacros(checker, line.number, command);
  const std::string program = ProgramOf(command);
  if (IsAbsolute(program)) return;
  if (HasMacro(program) && IsInstalled(checker, installed, program, language)) return;
  checker.Fail(line.number, "not-installed",
               "the E line starts " + Shown(program) +
                   ", which no F line before it installs and which is no absolute path");
}

struct ActionContext {
  FolderTracker folders;
  std::vector<Installed> installed;  // every F line of the script, expanded once
  std::size_t filesBefore = 0;       // how many of them come before the current line
  std::string mainProgram;           // expanded, upper-cased; empty without an H line
  std::string productName;
  std::span<const Installed> Before() const {
    return std::span<const Installed>(installed).first(filesBefore);
  }
};

void CheckActionLine(Checker& checker, const ScriptLine& line, ActionContext& context) {
  std::string rest = line.text;
  const char written = TakeFirstChar(rest);
  const char code = ToUpperAscii(written);
  if (code == '\0') return;
  if (written == ' ' || written == '\t') {
    checker.Fail(line.number, "leading-blank",
                 "the line starts with a blank: the setup takes the blank as its code letter "
                 "and ignores the line");
    return;
  }
  if (kActionCodes.find(code) == std::string_view::npos) {
    const bool header = kHeaderCodes.find(code) != std::string_view::npos;
    checker.Fail(line.number, "unknown-code",
                 "unknown code letter " + Quote(written) + ": the line is ignored" +
                     (header ? "; it looks like a header line, but the header is exactly lines 2 "
                               "to 9: is there a line too many above?"
                             : ""));
    return;
  }
  const char language = TakeFirstChar(rest);
  if (!IsLanguageCode(language)) {
    checker.Warn(line.number, "language-code",
                 "language code " + Quote(language) +
                     " is not one of * G D E F: the line takes effect in no language" +
                     (code == 'F' ? " (it still takes its payload entry)" : ""));
  }
  switch (code) {
    case 'T': {
      std::string caption = rest;
      const std::string key = SplitFirst(caption, "=");
      const std::string& addOnKey = checker.options.identity.addOnKey;
      if (IsKeyNearMiss(key, addOnKey)) {
        checker.Warn(line.number, "addon-key",
                     "the key " + Shown(key) + " is not " + addOnKey +
                         " (compared exactly, case and blanks included): the line is ignored");
      }
      break;
    }
    case 'D':
      CheckMacros(checker, line.number, rest);
      CheckWindowsPath(checker.findings, line.number, rest, checker.typical);
      context.folders.Add(rest, language, line.number);
      break;
    case 'F': {
      // The F lines are this one's in script order; one without a folder part installs nothing
      // that an E line with a macro could name.
      const Installed& file = context.installed[context.filesBefore++];
      CheckMacros(checker, line.number, rest);
      if (FolderPart(rest).empty() && !HasMacro(rest)) {
        checker.Fail(line.number, "no-folder",
                     "the path " + Shown(rest) +
                         " has no folder part: the setup stops with \"Unable to create "
                         "directory\"");
        break;
      }
      CheckWindowsPath(checker.findings, line.number, rest, checker.typical);
      context.folders.Add(FolderOf(rest), language, line.number);
      if (!context.mainProgram.empty() && file.path == context.mainProgram) {
        CheckShortcutFolder(
            checker, context.folders, line.number, language,
            "%P" + checker.options.identity.StartMenuPath() + context.productName + ".lnk",
            "the main program's start-menu shortcut");
      }
      break;
    }
    case 'K': {
      std::string fields = rest;
      const std::string shortcut = SplitFirst(fields, ";");
      CheckMacros(checker, line.number, rest);
      CheckWindowsPath(checker.findings, line.number, shortcut, checker.typical);
      CheckShortcutFolder(checker, context.folders, line.number, language, shortcut);
      break;
    }
    case 'R':
      CheckRegistryLine(checker, line, rest);
      break;
    case 'X':
      CheckFileTypeLine(checker, line, rest);
      break;
    case 'E':
      CheckProgramStart(checker, line, language, context.Before(), rest);
      break;
  }
}

void CheckDuplicates(Checker& checker) {
  std::map<std::string, std::size_t> first;
  for (const FileLine& line : checker.files) {
    const auto [it, added] = first.emplace(ToUpperAscii(line.path), line.number);
    if (!added) {
      checker.Warn(line.number, "duplicate-path",
                   "the path " + Shown(line.path) + " is written by line " +
                       std::to_string(it->second) + " too: both take the same source file");
    }
  }
}

// The uninstaller works in the registry view of its own architecture, and the registration it
// removes is in the setup.exe's: of another architecture it leaves the product registered.
void CheckUninstallerArchitecture(Checker& checker, std::size_t line, const fs::path& file) {
  std::optional<PeLayout> layout;
  try {
    const MappedFile image(file);
    layout = ReadPeLayout(image.Bytes(), file.string());
  } catch (const ToolError&) {
    return;  // no program at all: what Windows makes of it is not this rule's question
  }
  const std::optional<Architecture> found = ArchitectureOf(*layout);
  const Architecture wanted = checker.options.architecture;
  if (found == wanted) return;
  std::string why =
      "an uninstaller of another architecture than the setup.exe's works in "
      "another registry view and would leave the uninstall registration behind";
  if (found == Architecture::X86) {
    why =
        "a 32-bit uninstaller sees the 32-bit registry view and would leave the 64-bit "
        "setup's uninstall registration behind";
  } else if (found == Architecture::X64) {
    why =
        "a 64-bit uninstaller sees the 64-bit registry view and would leave the 32-bit "
        "setup's uninstall registration behind, and it does not start on 32-bit Windows";
  }
  checker.Fail(line, "uninstaller-arch",
               "%SUnInstall.EXE is " + file.string() + ", " + ProgramKind(*layout) +
                   ", but the setup.exe is " + ArchitectureName(wanted) + " (--arch " +
                   ArchitectureName(wanted) + "): " + why + "; take the UnInstall.EXE built for " +
                   ArchitectureName(wanted));
}

void CheckAgainstSource(Checker& checker) {
  const std::optional<fs::path>& source = checker.options.source;
  const std::optional<fs::path> licenceName =
      checker.options.licence
          ? checker.options.licence
          : (source ? std::optional<fs::path>(*source / "licence.txt") : std::nullopt);
  std::uint64_t total = 0;
  bool complete = true;
  // A licence in the source tree (its licence.txt, taken when no --licence is given) is a file of
  // the tree like an F line's: a link there out of the tree would package whatever the build
  // machine keeps where it leads. It is not read then, so that no line of it shows in a finding.
  const std::optional<std::string> licenceLink =
      licenceName && source ? LinkOutOfTree(*source, *licenceName) : std::nullopt;
  if (licenceLink) {
    checker.findings.push_back(
        {0, Severity::Error, *licenceLink, "source-link", licenceName->string()});
    complete = false;
  } else if (licenceName) {
    const std::string name = licenceName->string();
    try {
      const std::vector<std::uint8_t> raw = ReadWholeFile(*licenceName);
      std::vector<std::uint8_t> licence = raw;
      if (checker.options.encoding == InputEncoding::Utf8) {
        ConvertedText converted = ConvertUtf8To1252(raw, name);
        checker.findings.insert(checker.findings.end(), converted.findings.begin(),
                                converted.findings.end());
        licence = std::move(converted.bytes);
      } else {
        const std::vector<Finding> found = EncodingFindings(raw, name, "licence");
        checker.findings.insert(checker.findings.end(), found.begin(), found.end());
      }
      CheckLicence(name, licence);
      total = licence.size();
    } catch (const ToolError& error) {
      checker.findings.push_back({0, Severity::Error, error.Reason(), "licence", name});
      complete = false;
    }
  }
  if (!source) return;
  for (const FileLine& line : checker.files) {
    try {
      const PayloadSource file =
          SourceFor(checker.script, line, *source, checker.options.uninstaller);
      total += file.size;
      if (const std::optional<std::string> why = LinkOutOfTree(*source, file.path)) {
        checker.Fail(line.number, "source-link", *why);
      }
      if (IsUninstallerSource(SourceParts(line.path, file.what))) {
        CheckUninstallerArchitecture(checker, line.number, file.path);
      }
    } catch (const SourceKindError& error) {
      checker.Fail(line.number, "source-kind", error.Reason());
      complete = false;
    } catch (const ToolError& error) {
      checker.Fail(line.number, "source", error.Reason());
      complete = false;
    }
  }
  if (!complete) return;
  const std::size_t sizeLine = HeaderLineOf(checker.script, 'S');
  if (!sizeLine) return;
  const std::string value = checker.script.lines[sizeLine - 1].text.substr(1);
  if (value != "0" && value != std::to_string(total)) {
    checker.Warn(sizeLine, "size-value",
                 "the S value " + value + " is not the payload's " + std::to_string(total) +
                     " bytes (licence included); mksetup build writes it (S0 says so)");
  }
}

}  // namespace

TypicalFolders TypicalFoldersFor(const std::string& defaultSubFolder, Architecture architecture) {
  const std::string profile = "C:\\Users\\" + std::string(20, 'u') + "\\";
  const std::string roaming = profile + "AppData\\Roaming\\";
  std::string sub = defaultSubFolder;
  EnsureTrailingBackslash(sub);
  const std::string programFiles =
      architecture == Architecture::X64 ? "C:\\Program Files\\" : "C:\\Program Files (x86)\\";
  return {programFiles + sub, roaming + sub, profile + "Desktop\\",
          roaming + "Microsoft\\Windows\\Start Menu\\Programs\\",
          roaming + "Microsoft\\Internet Explorer\\Quick Launch\\"};
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::vector<Finding> CheckScript(const ScriptFile& script, const CheckOptions& options) {
  Checker checker{script, options, {}, EncodingFindings(script.bytes, {}, "script"), {}};
  std::unique_ptr<SetupState> state;
  try {
    state = ReadSetupState(script.name, ByteSpan(script.bytes), options.identity);
  } catch (const ToolError& error) {
    const bool shortHeader = script.lines.size() < kLeadingLines;
    checker.Fail(
        shortHeader ? script.lines.size() : 0, shortHeader ? "header-short" : "header",
        error.Reason() + (shortHeader ? ": the first line and the eight header lines come first; "
                                        "fill unused header places with empty lines"
                                      : ""));
    return std::move(checker.findings);
  }
  const TypicalFolders folders = TypicalFoldersFor(state->DefaultSubFolder, options.architecture);
  checker.typical.DestinationFolder = folders.destination;
  checker.typical.AppDataFolder = folders.appData;
  checker.typical.DesktopFolder = folders.desktop;
  checker.typical.ProgramsFolder = folders.programs;
  checker.typical.QuickLaunchFolder = folders.quickLaunch;

  CheckHeader(checker, *state);
  checker.files = FileLines(script);
  ActionContext context{FolderTracker(checker), InstalledFiles(checker), 0,
                        state->MainProgram.empty() ? "" : checker.Expanded(state->MainProgram),
                        state->ProductName};
  CheckNamedFiles(checker, *state, context.installed, context.mainProgram);
  CheckUninstaller(checker, context.installed);
  for (std::size_t i = kLeadingLines; i < script.lines.size(); ++i) {
    CheckActionLine(checker, script.lines[i], context);
  }
  CheckDuplicates(checker);
  CheckAgainstSource(checker);
  std::stable_sort(
      checker.findings.begin(), checker.findings.end(), [](const Finding& a, const Finding& b) {
        return std::make_pair(!a.file.empty(), a.line) < std::make_pair(!b.file.empty(), b.line);
      });
  return std::move(checker.findings);
}

ScriptFile LoadScriptForCheck(const fs::path& path, InputEncoding encoding,
                              std::vector<Finding>& findings) {
  std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  if (encoding == InputEncoding::Utf8) {
    ConvertedText converted = ConvertUtf8To1252(bytes, {});
    findings.insert(findings.end(), converted.findings.begin(), converted.findings.end());
    bytes = std::move(converted.bytes);
  }
  return ParseScriptFile(path.string(), std::move(bytes));
}

}  // namespace setup::mksetup
