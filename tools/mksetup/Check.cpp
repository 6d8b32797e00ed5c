#include "Check.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "Build.h"
#include "FileIo.h"
#include "SetupExe.h"
#include "SourceMap.h"
#include "ToolError.h"
#include "script/Macros.h"
#include "script/Paths.h"
#include "script/ScriptHeader.h"
#include "text/ScriptText.h"

namespace setup::mksetup {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kHeaderCodes = "DHMNSV";
constexpr std::string_view kActionCodes = "DEFKRXT";
constexpr std::string_view kLanguageCodes = "*GDEF";
constexpr std::string_view kMacros[] = {"%S", "%A", "%D", "%P", "%Q"};
// The shortcuts that the run makes for the main program (its start-menu folder is fixed).
constexpr const char* kMainProgramShortcuts[] = {"%PVELTRO 5107!\\", "%D", "%Q"};

struct Checker {
  const ScriptFile& script;
  const CheckOptions& options;
  std::vector<Finding> findings;

  void Warn(std::size_t line, std::string reason) {
    findings.push_back({line, Severity::Warning, std::move(reason)});
  }
  void Fail(std::size_t line, std::string reason) {
    findings.push_back({line, Severity::Error, std::move(reason)});
  }
};

bool IsLanguageCode(char c) {
  return kLanguageCodes.find(ToUpperAscii(c)) != std::string_view::npos;
}

bool HasMacro(const std::string& text) {
  const std::string upper = ToUpperAscii(text);
  return std::any_of(std::begin(kMacros), std::end(kMacros), [&](std::string_view macro) {
    return upper.find(macro) != std::string::npos;
  });
}

std::string Quote(char c) {
  if (c == '\0') return "none";
  return std::string("'") + c + "'";
}

void CheckHeaderLine(Checker& checker, const ScriptLine& line) {
  std::string rest = line.text;
  const char code = ToUpperAscii(TakeFirstChar(rest));
  if (code == '\0') return;  // an empty header line is one of the eight and sets nothing
  if (code != 'D' && kActionCodes.find(code) != std::string_view::npos) {
    checker.Fail(line.number, std::string("a ") + code +
                                  " line stands in the eight header places: it is read as a "
                                  "header line and never carried out");
    return;
  }
  if (kHeaderCodes.find(code) == std::string_view::npos) {
    checker.Warn(line.number,
                 "unknown header code letter " + Quote(line.text[0]) + ": the line is ignored");
    return;
  }
  if (code == 'D' && rest.size() > 1 && IsLanguageCode(rest[0]) && HasMacro(rest)) {
    checker.Warn(line.number,
                 "this looks like an action D line, but in the header it sets the "
                 "default sub-folder to \"" +
                     rest + "\"");
  }
  if (code == 'M' &&
      std::string_view("GDEF").find(ToUpperAscii(rest[0])) == std::string_view::npos) {
    checker.Warn(line.number, "read-me line with language code " +
                                  Quote(rest.empty() ? 0 : rest[0]) +
                                  ": only G, D, E and F set a read-me; the line sets nothing");
  }
  if (code == 'N' && !rest.empty() && !IsLanguageCode(rest[0])) {
    checker.Warn(line.number, "language code " + Quote(rest[0]) +
                                  " is not one of * G D E F: no language is preselected");
  }
}

void CheckHeader(Checker& checker, const SetupState& state) {
  const std::vector<ScriptLine>& lines = checker.script.lines;
  const LanguageFlags& offered = state.LanguagesOffered;
  if (!offered.German && !offered.English && !offered.French) {
    checker.Fail(1, "the first line \"" + lines[0].text +
                        "\" offers no language (G or D, E, F in upper case at positions 1 to 3)");
  }
  bool sizeLine = false, nameLine = false;
  for (std::size_t i = 1; i < kLeadingLines; ++i) {
    CheckHeaderLine(checker, lines[i]);
    const char code = lines[i].text.empty() ? 0 : ToUpperAscii(lines[i].text[0]);
    sizeLine |= code == 'S';
    nameLine |= code == 'N';
  }
  if (!sizeLine) checker.Warn(2, "the header has no S line: the space needed is shown empty");
  if (!nameLine) checker.Warn(2, "the header has no N line: the product has no name");
}

bool IsKeyNearMiss(const std::string& key) {
  if (key == kAddOnKey) return false;
  std::string trimmed = key;
  trimmed.erase(0, trimmed.find_first_not_of(' '));
  trimmed.erase(trimmed.find_last_not_of(' ') + 1);
  return ToUpperAscii(trimmed) == kAddOnKey || EditDistance(key, kAddOnKey) <= 2 ||
         EditDistance(ToUpperAscii(trimmed), kAddOnKey) <= 2;
}

void CheckShortcutLength(Checker& checker, std::size_t line, const SetupState& typical,
                         const std::string& path) {
  const std::string expanded = ExpandMacros(typical, path);
  if (expanded.size() <= kShortcutPathLimit) return;
  checker.Warn(line, "the shortcut path \"" + path + "\" is likely too long: about " +
                         std::to_string(expanded.size()) + " characters with typical folders (\"" +
                         expanded + "\"), over the limit of 126");
}

void CheckActionLine(Checker& checker, const ScriptLine& line, const SetupState& typical) {
  std::string rest = line.text;
  const char written = TakeFirstChar(rest);
  const char code = ToUpperAscii(written);
  if (code == '\0') return;
  if (kActionCodes.find(code) == std::string_view::npos) {
    checker.Warn(line.number, "unknown code letter " + Quote(written) + ": the line is ignored");
    return;
  }
  const char language = TakeFirstChar(rest);
  if (!IsLanguageCode(language)) {
    checker.Warn(line.number, "language code " + Quote(language) +
                                  " is not one of * G D E F: the line takes effect in no language" +
                                  (code == 'F' ? " (it still takes its payload entry)" : ""));
  }
  if (code == 'T') {
    std::string caption = rest;
    const std::string key = SplitFirst(caption, "=");
    if (IsKeyNearMiss(key)) {
      checker.Warn(line.number, "the key \"" + key + "\" is not " + kAddOnKey +
                                    " (compared exactly, case and blanks included): the line "
                                    "is ignored");
    }
  } else if (code == 'F' && FolderPart(rest).empty() && !HasMacro(rest)) {
    checker.Fail(line.number, "the path \"" + rest +
                                  "\" has no folder part: the setup stops with \"Unable to "
                                  "create directory\"");
  } else if (code == 'K') {
    CheckShortcutLength(checker, line.number, typical, SplitFirst(rest, ";"));
  }
}

void CheckMainProgramShortcuts(Checker& checker, const SetupState& state,
                               const SetupState& typical) {
  if (state.MainProgram.empty()) return;
  std::size_t line = 0;
  for (std::size_t i = 1; i < kLeadingLines; ++i) {
    if (ToUpperAscii(checker.script.lines[i].text.substr(0, 1)) == "H") line = i + 1;
  }
  for (const char* folder : kMainProgramShortcuts) {
    CheckShortcutLength(checker, line, typical, folder + state.ProductName + ".lnk");
  }
}

void CheckDuplicates(Checker& checker) {
  std::map<std::string, std::size_t> first;
  for (const FileLine& line : FileLines(checker.script)) {
    const auto [it, added] = first.emplace(ToUpperAscii(line.path), line.number);
    if (!added) {
      checker.Warn(line.number, "the path \"" + line.path + "\" is written by line " +
                                    std::to_string(it->second) +
                                    " too: both take the same source file");
    }
  }
}

void CheckAgainstSource(Checker& checker) {
  const fs::path source = *checker.options.source;
  const fs::path licenceName = checker.options.licence.value_or(source / "licence.txt");
  std::uint64_t total = 0;
  try {
    const std::vector<std::uint8_t> licence = ReadWholeFile(licenceName);
    CheckLicence(licenceName.string(), licence);
    total = licence.size();
  } catch (const ToolError& error) {
    checker.Fail(0, error.what());
    return;
  }
  bool complete = true;
  for (const FileLine& line : FileLines(checker.script)) {
    try {
      total += SourceFor(checker.script, line, source, checker.options.uninstaller).size;
    } catch (const ToolError& error) {
      checker.Fail(line.number, error.what());
      complete = false;
    }
  }
  if (!complete) return;
  for (std::size_t i = 1; i < kLeadingLines; ++i) {
    const ScriptLine& line = checker.script.lines[i];
    if (line.text.empty() || ToUpperAscii(line.text[0]) != 'S') continue;
    if (line.text.substr(1) != std::to_string(total)) {
      checker.Warn(line.number, "the S value " + line.text.substr(1) + " is not the payload's " +
                                    std::to_string(total) +
                                    " bytes (licence included); mksetup build writes it");
    }
  }
}

}  // namespace

TypicalFolders TypicalFoldersFor(const std::string& defaultSubFolder) {
  const std::string profile = "C:\\Users\\" + std::string(20, 'u') + "\\";
  const std::string roaming = profile + "AppData\\Roaming\\";
  std::string sub = defaultSubFolder;
  EnsureTrailingBackslash(sub);
  return {"C:\\Program Files (x86)\\" + sub, roaming + sub, profile + "Desktop\\",
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
  Checker checker{script, options, {}};
  std::unique_ptr<SetupState> state;
  try {
    state = ReadSetupState(script.name, ByteSpan(script.bytes));
  } catch (const ToolError& error) {
    checker.Fail(0, error.what());
    return checker.findings;
  }
  SetupState typical;
  const TypicalFolders folders = TypicalFoldersFor(state->DefaultSubFolder);
  typical.DestinationFolder = folders.destination;
  typical.AppDataFolder = folders.appData;
  typical.DesktopFolder = folders.desktop;
  typical.ProgramsFolder = folders.programs;
  typical.QuickLaunchFolder = folders.quickLaunch;

  CheckHeader(checker, *state);
  CheckMainProgramShortcuts(checker, *state, typical);
  for (std::size_t i = kLeadingLines; i < script.lines.size(); ++i) {
    CheckActionLine(checker, script.lines[i], typical);
  }
  CheckDuplicates(checker);
  if (options.source) CheckAgainstSource(checker);
  std::stable_sort(checker.findings.begin(), checker.findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return checker.findings;
}

}  // namespace setup::mksetup
