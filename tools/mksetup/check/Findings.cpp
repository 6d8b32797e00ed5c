#include "Findings.h"

#include <map>

#include "FindingRules.h"
#include "io/JsonText.h"
#include "io/ToolError.h"

namespace setup::mksetup {
namespace {

const std::string& FileOf(const Finding& finding, const std::string& scriptName) {
  return finding.file.empty() ? scriptName : finding.file;
}

std::string Counted(std::size_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace

std::set<std::string> ParseCodeList(const std::string& list) {
  std::set<std::string> codes;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(',', start), list.size());
    const std::string code = list.substr(start, end - start);
    if (code.empty()) throw UsageError("usage: --allow needs rule codes such as unknown-code");
    if (!IsRuleCode(code)) {
      throw UsageError("usage: --allow " + code +
                       ": no rule has that code (docs/findings.md lists them all)");
    }
    codes.insert(code);
    start = end + 1;
  }
  return codes;
}

void ApplyPolicy(std::vector<Finding>& findings, const FindingPolicy& policy) {
  for (Finding& finding : findings) {
    if (policy.strict) {
      finding.severity = Severity::Error;
    } else if (policy.allowed.count(finding.code)) {
      finding.severity = Severity::Warning;
    }
  }
}

FindingCounts CountFindings(const std::vector<Finding>& findings) {
  FindingCounts counts;
  for (const Finding& finding : findings) {
    (finding.severity == Severity::Error ? counts.errors : counts.warnings)++;
  }
  return counts;
}

std::string CountText(const FindingCounts& counts) {
  return Counted(counts.errors, "error") + ", " + Counted(counts.warnings, "warning");
}

std::string FormatFinding(const Finding& finding, const std::string& scriptName) {
  std::string place = FileOf(finding, scriptName);
  if (finding.line) place += ":" + std::to_string(finding.line);
  return place + (finding.severity == Severity::Error ? ": error: " : ": warning: ") +
         finding.reason + (finding.code.empty() ? "" : " [" + finding.code + "]");
}

void PrintFindings(std::FILE* out, const std::vector<Finding>& findings,
                   const std::string& scriptName) {
  // A tree with hundreds of files can make one mistake hundreds of times: the first few show
  // it, and the rest are counted.
  std::map<std::string, std::size_t> shown;
  for (const Finding& finding : findings) {
    if (++shown[finding.code] <= kShownPerRule)
      std::fprintf(out, "%s\n", FormatFinding(finding, scriptName).c_str());
  }
  for (const auto& [code, count] : shown) {
    if (count <= kShownPerRule) continue;
    std::fprintf(out, "%s: ... %zu more of the same [%s]\n", scriptName.c_str(),
                 count - kShownPerRule, code.c_str());
  }
  std::fprintf(out, "%s: %s\n", scriptName.c_str(), CountText(CountFindings(findings)).c_str());
}

void PrintFindingsJson(std::FILE* out, const std::vector<Finding>& findings,
                       const std::string& scriptName) {
  std::fprintf(out, "{\n  \"schemaVersion\": 1,\n  \"findings\": [");
  const char* separator = "\n";
  for (const Finding& finding : findings) {
    std::fprintf(out,
                 "%s    {\"file\": %s, \"line\": %zu, \"severity\": \"%s\", \"code\": %s, "
                 "\"message\": %s}",
                 separator, JsonUtf8(FileOf(finding, scriptName)).c_str(), finding.line,
                 finding.severity == Severity::Error ? "error" : "warning",
                 JsonUtf8(finding.code).c_str(), JsonUtf8(finding.reason).c_str());
    separator = ",\n";
  }
  const FindingCounts counts = CountFindings(findings);
  std::fprintf(out, "%s],\n  \"errors\": %zu,\n  \"warnings\": %zu\n}\n",
               findings.empty() ? "" : "\n  ", counts.errors, counts.warnings);
}

}  // namespace setup::mksetup
