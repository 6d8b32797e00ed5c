#include "check/Check.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "check/CheckRules.h"
#include "io/FileIo.h"
#include "io/ToolError.h"
#include "script/Paths.h"
#include "setupexe/SetupExe.h"
#include "text/FileFormat.h"
#include "text/FolderPath.h"
#include "text/LanguageCode.h"
#include "text/ScriptText.h"

namespace setup::mksetup {
namespace fs = std::filesystem;

std::string Shown(const std::string& text) {
  return "\"" + text + "\"";
}

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
  return std::string("'") + std::string(1, c) + "'";
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

std::size_t HeaderLineOf(const ScriptFile& script, char code) {
  std::size_t found = 0;  // the last one: a later line replaces an earlier one
  for (std::size_t i = 1; i < kLeadingLines; ++i) {
    if (!script.lines[i].text.empty() && ToUpperAscii(script.lines[i].text[0]) == code) {
      found = i + 1;
    }
  }
  return found;
}

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

std::vector<Finding> CheckScript(const ScriptFile& script, const CheckOptions& options,
                                 std::optional<std::vector<PayloadSource>>* sources) {
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
  SourceLookups lookups = StartSourceLookups(checker);
  CheckActions(checker, *state);
  CheckAgainstSource(checker, lookups, sources);
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
    ConvertedText converted = ConvertUtf8Input(bytes, {});
    findings.insert(findings.end(), converted.findings.begin(), converted.findings.end());
    if (!converted.note.empty())
      std::fprintf(stderr, "%s: %s\n", path.string().c_str(), converted.note.c_str());
    bytes = std::move(converted.bytes);
  }
  return ParseScriptFile(path.string(), std::move(bytes));
}
}  // namespace setup::mksetup
