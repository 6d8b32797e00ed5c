#pragma once
// The sub-commands of mksetup. Each takes the arguments after its name and returns the exit code:
// 0 success, 1 bad input (reported on stderr as file:line: reason), 2 wrong usage.
#include <string>
#include <vector>

#include "Arguments.h"
#include "check/Check.h"
#include "resources/IdentityFile.h"

namespace setup::mksetup {

int CheckCommand(const std::vector<std::string>& args);
int BuildCommand(const std::vector<std::string>& args);
int ListCommand(const std::vector<std::string>& args);
int ExtractCommand(const std::vector<std::string>& args);
int InitCommand(const std::vector<std::string>& args);
int RunCommand(const std::vector<std::string>& args);
int SignCommand(const std::vector<std::string>& args);
int UninstallCommand(const std::vector<std::string>& args);

// What check and build share: the script as the setup would get it and every finding, with
// --strict and --allow applied.
struct CheckedScript {
  ScriptFile script;
  CheckOptions options;
  Identity identity;  // --identity's values that passed; none without it
  std::vector<Finding> findings;
  FindingCounts counts;
  // The F lines' sources in line order, with --source, when every one was found.
  std::optional<std::vector<PayloadSource>> sources;
};
CheckedScript RunChecks(const Arguments& parsed, const std::string& scriptPath);

// --arch x86|x64 of check and build; nothing when it is not given. Throws UsageError for any
// other value.
std::optional<Architecture> ArchitectureOption(const Arguments& parsed);

}  // namespace setup::mksetup
