#include <algorithm>
#include <map>
#include <span>
#include <string>

#include "check/CheckPaths.h"
#include "check/CheckRules.h"
#include "install/SystemEffects.h"
#include "platform/Registry.h"
#include "script/Paths.h"
#include "text/FileFormat.h"
#include "text/FolderPath.h"
#include "text/ScriptText.h"
#include "text/Utf8.h"

namespace setup::mksetup {
namespace {

// Extensions a typical Windows has a program for already: taking them over is rarely meant.
constexpr std::string_view kCommonExtensions[] = {
    "DOC", "DOCX", "XLS", "XLSX", "PPT", "PPTX", "PDF", "RTF", "CSV", "XML",  "LOG",
    "ZIP", "CAB",  "JPG", "JPEG", "PNG", "GIF",  "BMP", "ICO", "TIF", "TIFF", "MP3",
    "WAV", "MID",  "AVI", "MP4",  "MPG", "WMA",  "WMV", "MOV", "CHM", "HLP",  "TTF",
    "FON", "CSS",  "MSC", "PS1",  "JAR", "ISO",  "7Z",  "RAR", "CUR", "DAT"};

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
    const std::string part = key.substr(start, end - start);
    if (const std::size_t units = Utf16Length(part); units > kLongestKeyName) {
      checker.Fail(line.number, "r-key-name",
                   "a name in the key is " + std::to_string(units) + " characters long (" +
                       Shown(FirstCharacters(part, 20)) +
                       "...), and Windows allows 255: the setup cannot make the key and the line "
                       "does nothing");
      break;
    }
    start = end + 1;
  }
  if (Utf16Length(name) > kLongestValueName) {
    checker.Fail(line.number, "r-value-name",
                 "the value's name is " + std::to_string(Utf16Length(name)) +
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
                     value + "' is not a valid integer value\"");
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
                 "." + extension +
                     " is a file type that Windows itself depends on: registering it takes "
                     "it over for the whole system");
  } else if (in(kCommonExtensions)) {
    checker.Warn(line.number, "x-common",
                 "." + extension +
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

}  // namespace

void CheckActions(Checker& checker, const SetupState& state) {
  ActionContext context{FolderTracker(checker), InstalledFiles(checker), 0,
                        state.MainProgram.empty() ? "" : checker.Expanded(state.MainProgram),
                        state.ProductName};
  CheckNamedFiles(checker, state, context.installed, context.mainProgram);
  CheckUninstaller(checker, context.installed);
  for (std::size_t i = kLeadingLines; i < checker.script.lines.size(); ++i) {
    CheckActionLine(checker, checker.script.lines[i], context);
  }
  CheckDuplicates(checker);
}

}  // namespace setup::mksetup
