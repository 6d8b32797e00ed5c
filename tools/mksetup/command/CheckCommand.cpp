#include <cstdio>

#include "Arguments.h"
#include "CommandHelp.h"
#include "Commands.h"
#include "ToolPaths.h"
#include "check/Check.h"
#include "io/ToolError.h"
#include "text/FileFormat.h"

namespace setup::mksetup {

std::optional<Architecture> ArchitectureOption(const Arguments& parsed) {
  const std::optional<std::string> value = parsed.Value("--arch");
  if (!value) return std::nullopt;
  for (const Architecture architecture : {Architecture::X86, Architecture::X64}) {
    if (*value == ArchitectureName(architecture)) return architecture;
  }
  throw UsageError("usage: --arch takes x86 or x64, not " + *value);
}

CheckedScript RunChecks(const Arguments& parsed, const std::string& scriptPath) {
  CheckedScript checked;
  checked.options.architecture = ArchitectureOption(parsed).value_or(Architecture::X86);
  checked.options.encoding =
      ParseInputEncoding(parsed.Value("--input-encoding").value_or("windows-1252"));
  if (const auto source = parsed.Value("--source")) checked.options.source = *source;
  if (const auto licence = parsed.Value("--licence")) checked.options.licence = *licence;
  if (const auto uninstaller = parsed.Value("--uninstaller")) {
    checked.options.uninstaller = *uninstaller;
  } else {
    checked.options.uninstaller = FindWindowsProgram("MKSETUP_UNINSTALLER", kUninstallerFileName,
                                                     checked.options.architecture);
  }
  FindingPolicy policy;
  policy.strict = parsed.Flag("--strict");
  if (const auto allowed = parsed.Value("--allow")) policy.allowed = ParseCodeList(*allowed);
  std::vector<Finding> findings;
  checked.script = LoadScriptForCheck(scriptPath, checked.options.encoding, findings);
  // The script is checked against the identity's folder and key, even one with a refused line.
  if (const auto identity = parsed.Value("--identity")) {
    checked.identity = ReadIdentityFile(*identity, findings);
    checked.options.identity = SetupIdentityOf(checked.identity, true);
  }
  const std::vector<Finding> found = CheckScript(checked.script, checked.options, &checked.sources);
  checked.findings = findings;
  checked.findings.insert(checked.findings.end(), found.begin(), found.end());
  ApplyPolicy(checked.findings, policy);
  checked.counts = CountFindings(checked.findings);
  return checked;
}

int CheckCommand(const std::vector<std::string>& args) {
  const Arguments parsed =
      ParseArguments(args, CommandValueOptions("check"), CommandFlagOptions("check"));
  if (parsed.positionals.size() != 1) throw UsageError("usage: " + CommandUsage("check"));
  const CheckedScript checked = RunChecks(parsed, parsed.positionals[0]);
  if (parsed.Flag("--json")) {
    PrintFindingsJson(stdout, checked.findings, checked.script.name);
  } else {
    PrintFindings(stdout, checked.findings, checked.script.name);
  }
  return checked.counts.errors ? 1 : 0;
}

}  // namespace setup::mksetup
