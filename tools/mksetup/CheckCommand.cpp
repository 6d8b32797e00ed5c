#include <cstdio>

#include "Arguments.h"
#include "Check.h"
#include "Commands.h"
#include "Text1252.h"
#include "ToolError.h"
#include "ToolPaths.h"
#include "text/FileFormat.h"

namespace setup::mksetup {

int CheckCommand(const std::vector<std::string>& args) {
  const Arguments parsed = ParseArguments(args, {"--source", "--licence", "--uninstaller"}, {});
  if (parsed.positionals.size() != 1) {
    throw ToolError("usage: check SCRIPT [--source DIR] [--licence FILE]");
  }
  const ScriptFile script = LoadScriptFile(parsed.positionals[0]);
  CheckOptions options;
  if (const auto source = parsed.Value("--source")) options.source = *source;
  if (const auto licence = parsed.Value("--licence")) options.licence = *licence;
  if (const auto uninstaller = parsed.Value("--uninstaller")) {
    options.uninstaller = *uninstaller;
  } else {
    options.uninstaller = FindWindowsProgram("MKSETUP_UNINSTALLER", kUninstallerFileName);
  }
  std::size_t errors = 0, warnings = 0;
  for (const Finding& finding : CheckScript(script, options)) {
    const bool error = finding.severity == Severity::Error;
    (error ? errors : warnings)++;
    const std::string place =
        finding.line ? script.name + ":" + std::to_string(finding.line) : script.name;
    std::printf("%s: %s: %s\n", place.c_str(), error ? "error" : "warning",
                Utf8From1252(finding.reason).c_str());
  }
  std::printf("%s: %zu errors, %zu warnings\n", script.name.c_str(), errors, warnings);
  return errors ? 1 : 0;
}

}  // namespace setup::mksetup
