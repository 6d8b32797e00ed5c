#include <cstdio>

#include "Arguments.h"
#include "Build.h"
#include "Commands.h"
#include "ToolError.h"
#include "ToolPaths.h"
#include "text/FileFormat.h"

namespace setup::mksetup {

int BuildCommand(const std::vector<std::string>& args) {
  const Arguments parsed = ParseArguments(
      args, {"--script", "--licence", "--source", "-o", "--stub", "--uninstaller"}, {});
  BuildOptions options;
  const auto required = [&](const char* name) {
    const std::optional<std::string> value = parsed.Value(name);
    if (!value) throw ToolError(std::string("usage: build needs ") + name);
    return std::filesystem::path(*value);
  };
  if (!parsed.positionals.empty())
    throw ToolError("usage: build takes no " + parsed.positionals[0]);
  options.script = required("--script");
  options.licence = required("--licence");
  options.source = required("--source");
  options.output = required("-o");
  if (const auto stub = parsed.Value("--stub")) {
    options.stub = *stub;
  } else if (const auto found = FindWindowsProgram("MKSETUP_STUB", "setup-stub.exe")) {
    options.stub = *found;
  } else {
    throw ToolError(
        "setup-stub.exe: not found (give --stub, set MKSETUP_STUB, or build the "
        "win32 preset)");
  }
  if (const auto uninstaller = parsed.Value("--uninstaller")) {
    options.uninstaller = std::filesystem::path(*uninstaller);
  } else {
    options.uninstaller = FindWindowsProgram("MKSETUP_UNINSTALLER", kUninstallerFileName);
  }
  const PayloadSummary summary = BuildSetup(options);
  std::printf(
      "%s: %llu entries, %llu blocks, %llu bytes inflated (the S value), payload %llu bytes\n",
      options.output.string().c_str(), static_cast<unsigned long long>(summary.entries),
      static_cast<unsigned long long>(summary.blocks),
      static_cast<unsigned long long>(summary.inflatedBytes),
      static_cast<unsigned long long>(summary.payloadBytes));
  return 0;
}

}  // namespace setup::mksetup
