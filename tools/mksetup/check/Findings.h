#pragma once
// What check finds and how both check and build report it: one line per finding,
// "FILE:LINE: error|warning: text", counts as "1 error, 2 warnings", or the same as JSON.
#include <cstddef>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace setup::mksetup {

enum class Severity { Warning, Error };

struct Finding {
  std::size_t line = 0;  // 1-based; 0 for the file as a whole
  Severity severity = Severity::Warning;
  std::string reason;  // UTF-8: script texts in it are converted from Windows-1252
  std::string code;    // a short name of the rule, for --allow and the JSON report
  std::string file;    // the file the finding is about; empty: the script
};

struct FindingCounts {
  std::size_t errors = 0, warnings = 0;
};

// --strict makes every warning an error (for CI); --allow CODE makes errors of that rule
// warnings (a test product that is meant to be odd).
struct FindingPolicy {
  bool strict = false;
  std::set<std::string> allowed;
};

// The codes in "a,b,c"; throws UsageError for an empty one or one that no rule has.
std::set<std::string> ParseCodeList(const std::string& list);

void ApplyPolicy(std::vector<Finding>& findings, const FindingPolicy& policy);

FindingCounts CountFindings(const std::vector<Finding>& findings);

// "0 errors, 1 warning"
std::string CountText(const FindingCounts& counts);

// The text output shows this many findings of one rule, then how many more there are.
inline constexpr std::size_t kShownPerRule = 10;

// "FILE:LINE: error: text [code]" (the place once; FILE: for the whole file).
std::string FormatFinding(const Finding& finding, const std::string& scriptName);

// Every finding (up to kShownPerRule of one rule, then "... N more of the same [code]"), then
// "SCRIPT: N errors, M warnings".
void PrintFindings(std::FILE* out, const std::vector<Finding>& findings,
                   const std::string& scriptName);

// {"schemaVersion": 1, "findings": [{file, line, severity, code, message}], "errors", "warnings"}
void PrintFindingsJson(std::FILE* out, const std::vector<Finding>& findings,
                       const std::string& scriptName);

}  // namespace setup::mksetup
