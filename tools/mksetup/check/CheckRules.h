#pragma once
// What the rule families of mksetup check share: the checker that gathers their findings and the
// small readings of a script line they all make. Only the check's own files include it.
#include <cstddef>
#include <future>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check/Check.h"
#include "input/SourceTree.h"
#include "script/Macros.h"
#include "script/SetupState.h"
#include "setupexe/Build.h"
#include "text/ScriptText.h"

namespace setup::mksetup {

inline constexpr std::string_view kHeaderCodes = "DHMNSV";
inline constexpr std::string_view kActionCodes = "DEFKRXT";
inline constexpr std::string_view kLanguageCodes = "*GDEF";
inline constexpr std::string_view kMacroLetters = "SADPQ";

// The text as a finding quotes it: in UTF-8, between double quotes.
std::string Shown(const std::string& text);

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

bool IsLanguageCode(char c);
// Whether a line of language `creator` has taken effect whenever one of `user` does.
bool Covers(char creator, char user);
bool HasMacro(const std::string& text);
// The folder part of a macro text: "%S" itself for "%SName.lnk".
std::string FolderOf(const std::string& path);
// A code letter as a finding names it: 'X', or none.
std::string Quote(char c);
// A percent sign before a letter that names no macro: the setup leaves it as it is.
void CheckMacros(Checker& checker, std::size_t line, const std::string& field);
// The number of the header line with this code letter (the last one), 0 when there is none.
std::size_t HeaderLineOf(const ScriptFile& script, char code);

// The rule families, each in a file of its own.
void CheckHeader(Checker& checker, const SetupState& state);   // the first line and lines 2 to 9
void CheckActions(Checker& checker, const SetupState& state);  // the lines after the header
// The look-ups of the F lines' files and the listing of the tree, under way on their own threads
// while the script's other rules are checked: they wait mostly on the file system.
struct SourceLookups {
  std::future<std::vector<FoundSource>> found;
  std::future<SourceTree> listing;
};
// Nothing is started without a source folder. checker.files must be filled and stay as it is.
SourceLookups StartSourceLookups(const Checker& checker);
// The licence, and the tree the F lines take; the F lines' sources to sources when all were found.
void CheckAgainstSource(Checker& checker, SourceLookups& lookups,
                        std::optional<std::vector<PayloadSource>>* sources);

}  // namespace setup::mksetup
